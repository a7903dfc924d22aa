#ifndef RDX480_WIDGETS_QIPLINEEDIT_H
#define RDX480_WIDGETS_QIPLINEEDIT_H

#include <QLineEdit>

#include <array>

class QKeyEvent;

// An IPv4 address field: looks like one line edit, holds four octet edits with dots painted between them,
// and moves the focus across the octets as the operator types, so an address can be typed as a run of
// digits and edited with the arrow keys and Backspace across the octet borders.
class QIPLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit QIPLineEdit(QWidget* parent = nullptr);

    // Fills the octets from a whole dotted quad; anything else is refused with a warning.
    void setAddress(const QString& text);
    // Puts a text that is no address into the octets as it is, part by part and without the warning, so a
    // wrong stored address can be seen and corrected.
    void showUnchecked(const QString& text);
    // The warning's texts.
    void setLanguage(bool isEnglish);
    // The octets joined with dots, each in plain decimal ("010" reads as "10"); an empty octet stays empty.
    QString address() const;
    // A whole dotted quad, each part 0 to 255.
    static bool isValidAddress(const QString& text);

signals:
    // Something happened in one of the octets.
    void charge();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool handleKey(int index, const QKeyEvent* key);
    void focusOctet(int index, bool selectAll);

    std::array<QLineEdit*, 4> m_octets{};
    QString m_attentionTitle = QStringLiteral("Attention");
    QString m_invalidText = QStringLiteral("Your IP Address is Invalid!");
};

#endif
