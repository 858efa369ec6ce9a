#include "ui/monitor/message_list_model.h"

#include "ui/monitor/message_words.h"

#include <algorithm>

namespace quorvane {

MessageListModel::MessageListModel(QStringList patchNames, std::int64_t originNs, std::size_t maxRows, QObject* parent)
    : QAbstractTableModel(parent), patchNames_(std::move(patchNames)), originNs_(originNs), maxRows_(maxRows)
{ }

bool MessageListModel::follow(const MonitorModel& history)
{
    const auto& messages = history.messages();
    auto fresh = std::lower_bound(messages.begin(), messages.end(), nextNumber_,
                                  [](const SeenMessage& m, long long n) { return m.number < n; });
    const auto count = static_cast<std::size_t>(messages.end() - fresh);
    if (count == 0)
        return false;
    nextNumber_ = messages.back().number + 1;
    // Only the newest maxRows can be on show after this call.
    fresh += static_cast<std::ptrdiff_t>(count - std::min(count, maxRows_));
    const std::size_t adding = static_cast<std::size_t>(messages.end() - fresh);
    const std::size_t dropping = rows_.size() + adding > maxRows_ ? rows_.size() + adding - maxRows_ : 0;
    if (dropping > 0) {
        beginRemoveRows({}, 0, static_cast<int>(dropping) - 1);
        rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(dropping));
        endRemoveRows();
    }
    beginInsertRows({}, static_cast<int>(rows_.size()), static_cast<int>(rows_.size() + adding) - 1);
    rows_.insert(rows_.end(), fresh, messages.end());
    endInsertRows();
    return true;
}

void MessageListModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int MessageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SeenMessage& m = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == Time)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Time: return QString::number((m.timeNs - originNs_) / 1e9, 'f', 3);
    case Direction: return m.incoming ? tr("in") : tr("out");
    case Bytes: return hexBytes(m.bytes);
    default: return messageWords(m.bytes, patchNames_);
    }
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Time: return tr("Time (s)");
    case Direction: return tr("In/out");
    case Bytes: return tr("Bytes");
    default: return tr("Message");
    }
}

} // namespace quorvane
