#pragma once

#include "ui/monitor/monitor_model.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <deque>

namespace quorvane {

// The rows of the message list: time, in or out, the bytes in hex and in
// words. It follows the monitor's history but keeps rows of its own, so that
// a paused list stays as it was and a cleared one starts empty.
class MessageListModel : public QAbstractTableModel {
public:
    enum Column { Time, Direction, Bytes, Words, ColumnCount };

    MessageListModel(QStringList patchNames, std::int64_t originNs, std::size_t maxRows = 2000,
                     QObject* parent = nullptr);

    // Appends the messages the history has gained since the last call (all
    // that it still holds of them), dropping the oldest rows past maxRows;
    // false when there were none.
    bool follow(const MonitorModel& history);
    // Empties the list; messages already seen do not come back.
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const QStringList patchNames_;
    const std::int64_t originNs_;
    const std::size_t maxRows_;
    std::deque<SeenMessage> rows_;
    long long nextNumber_ = 0;
};

} // namespace quorvane
