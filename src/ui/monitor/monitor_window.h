#pragma once

#include "ui/monitor/monitor_model.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
class QTreeView;

namespace quorvane {

class MessageListModel;
class NumberPlot;
class PianoRoll;

// "Quorvane Monitor": the notes played as a piano roll, the numbers of each
// pass as a plot and every message in and out as a list, live. It listens to
// the program only while it is on screen.
class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    // Listens to the messages in and out, and to the numbers of the passes.
    MonitorWindow(PlayObservers& messages, PassObservers& passes, const QStringList& patchNames,
                  QWidget* parent = nullptr);
    ~MonitorWindow() override;

    const MonitorModel& model() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void listen(bool on);
    void refresh();
    QWidget* makeMessagePanel();

    PlayObservers& messageObservers_;
    PassObservers& passObservers_;
    MonitorModel model_;
    bool listening_ = false;
    // At most about 60 repaints a second, and none while nothing changes.
    QTimer refreshTimer_;
    PianoRoll* roll_;
    NumberPlot* plot_;
    MessageListModel* messages_;
    QTreeView* messageView_ = nullptr;
    QPushButton* pause_ = nullptr;
    QLabel* rate_ = nullptr;
    long long rateFrom_ = 0;
    std::int64_t rateSinceNs_ = 0;
};

// Shows the one monitor, made on first use and kept, hidden when closed, for
// as long as `monitor` lives; it must go before the observers it listens to.
void showMonitor(std::unique_ptr<MonitorWindow>& monitor, PlayObservers& messages, PassObservers& passes,
                 const QStringList& patchNames, QWidget* owner);

} // namespace quorvane
