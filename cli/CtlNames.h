#ifndef RDX480_CLI_CTLNAMES_H
#define RDX480_CLI_CTLNAMES_H

#include <QString>
#include <QStringList>

// The words rdx480ctl reads and prints for the device's codes: the panel's own texts (input names, the
// Setting page's resolution items, "M1".."M4", "Out1".."Out4", the fast layouts), so a script, the panel and
// the manual page all say the same thing.
namespace CtlNames {

// Input by its panel name ("HDMI1", any case) or its code 0..7; -1 when it is neither.
int inputCode(const QString& word);
QString inputName(int code);
QStringList inputNames();
// The Control page's switching group 1..4 of an input; -1 for an unknown code.
int inputGroup(int code);

// Output format by its resolution text ("1920x1080@60Hz", any case) or its code; -1 when neither. Code 4
// is no format the panel offers.
int formatCode(const QString& word);
QString formatName(int code);
QStringList formatNames();

// "M1".."M4" or 1..4 -> 0..3; -1 otherwise.
int modelIndex(const QString& word);
QString modelName(int index);
// "Out1".."Out4" or 1..4 -> 0..3; -1 otherwise.
int portIndex(const QString& word);
QString portName(int index);
// "1X2" .. "2X2" or 0..6 -> 0..6; -1 otherwise.
int layoutIndex(const QString& word);
QString layoutName(int index);
QStringList layoutNames();
// Values the layout's table holds, and whether value row r is a width (else a height).
int layoutRows(int index);
bool layoutRowIsWidth(int index, int row);
// Switch time index 0..3, or its text "0S", "0.5S", "1S", "1.5S" (any case, "S" optional only for 0.5 and
// 1.5, which no index can be mistaken for).
int switchTimeIndex(const QString& word);
QString switchTimeName(int index);

// A whole number in [low, high] from a word; false when the word is none.
bool parseInt(const QString& word, int low, int high, int* value);

} // namespace CtlNames

#endif
