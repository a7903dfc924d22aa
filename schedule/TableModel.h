#ifndef RDX480_SCHEDULE_TABLEMODEL_H
#define RDX480_SCHEDULE_TABLEMODEL_H

#include "schedule/TimeFile.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QLoggingCategory>
#include <QStringList>
#include <QVector>

#include <functional>

class QFileSystemWatcher;
class QTimer;

// The schedule as a five-column table (time, input, days, repeat, active), kept in time.t after every
// accepted change, and today's firing list: the rows still to fire today, one per minute, in time order.
// Other programs write time.t too: a save writes this table's changes on top of what the file holds now
// (under the file's lock), and with watchFolder() saves by others are read back within a moment.
Q_DECLARE_LOGGING_CATEGORY(lcSchedule)

class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TimeColumn = 0, SignalColumn, WeekColumn, RepeatColumn, ActiveColumn, ColumnCount };

    explicit TableModel(QObject* parent = nullptr);
    ~TableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setLanguage(bool english);
    void clearAll();
    // Writes the table now; only a table that came from the file (or found none) is ever written, so a
    // file that could not be read is never replaced by an empty table.
    void save(const QString& filename = QString());

    QString fileName() const { return m_fileName; }
    const MyTimeItem* itemAt(int row) const { return isRow(row) ? m_items[size_t(row)].get() : nullptr; }
    QTime timeAt(int row) const;
    int signalAt(int row) const;
    bool isActiveAt(int row) const;
    // A one-shot entry is spent.
    void markFired(int row);

    QVector<int> todayRows() const { return m_todayRows; }
    // The day today's firing list was built for.
    QDate builtFor() const { return m_builtFor; }

    // From the next load on, watches the file's folder (others rename new files into place): a save by
    // another program is shown, and a change of the fired-state file announced, within a moment.
    void watchFolder();
    // While `hold` says so (an editor is open), a save by another program waits; lookAtFolder() once it ends.
    void setReloadHold(std::function<bool()> hold) { m_hold = std::move(hold); }

signals:
    void send_starTime(int count);
    void charge_Value(bool charge);
    // Something the operator has to know: a damaged file kept aside, a failed save, two entries that would
    // fire in the same minute.
    void send_message(const QString& title, const QString& text);
    // The fired-state file beside time.t changed (this program's own firings included).
    void send_stateChanged();

public slots:
    void load(const QString& filename = QString());
    void adjust();
    // Reads what other programs saved, unless an edit is in progress.
    void lookAtFolder();

private:
    enum class FileState { NotLoaded, Loaded, Blocked };

    void settleFileName(const QString& filename);
    void changed();
    void keepDamagedFile(const QString& why, int skipped = 0);
    void replaceItems(TimeItems items);
    void startWatching();
    // The other active rows that fire in the same minute on a shared day.
    QVector<int> clashesOf(int row) const;
    bool isRow(int row) const { return row >= 0 && row < int(m_items.size()); }

    QString m_fileName;
    TimeItems m_items;
    QStringList m_headers;
    QStringList m_messages;
    QVector<int> m_todayRows;

    QDate m_builtFor;
    FileState m_fileState = FileState::NotLoaded;
    bool m_english = true;
    bool m_saveFailureShown = false;
    bool m_unsaved = false;

    // The records as the file held them when this table last read or wrote it: what a save compares the
    // file with, to write only this table's changes over another program's.
    QVector<QByteArray> m_base;
    QByteArray m_baseBytes; // the whole file as loaded, until m_base is needed
    bool m_watch = false;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
    std::function<bool()> m_hold;
    QByteArray m_stateBytes;
};

#endif
