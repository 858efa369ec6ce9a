#include "ui/monitor/monitor_window.h"

#include "ui/common/window_placement.h"
#include "ui/monitor/message_list_model.h"
#include "ui/monitor/number_plot.h"
#include "ui/monitor/piano_roll.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace quorvane {

namespace {

constexpr int refreshMs = 16;
constexpr std::int64_t rateEveryNs = 1'000'000'000;

} // namespace

MonitorWindow::MonitorWindow(PlayObservers& messages, PassObservers& passes, const QStringList& patchNames,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), messageObservers_(messages), passObservers_(passes), roll_(new PianoRoll(model_)),
      plot_(new NumberPlot(model_)), messages_(new MessageListModel(patchNames, steadyNowNs(), 2000, this))
{
    setObjectName(QStringLiteral("MonitorWindow"));
    setWindowTitle(tr("Quorvane Monitor"));
    resize(800, 500);

    auto* pictures = new QSplitter(Qt::Horizontal);
    pictures->addWidget(roll_);
    pictures->addWidget(plot_);
    pictures->setStretchFactor(0, 3);
    pictures->setStretchFactor(1, 2);
    auto* all = new QSplitter(Qt::Vertical);
    all->addWidget(pictures);
    all->addWidget(makeMessagePanel());
    all->setStretchFactor(0, 3);
    all->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(all);

    refreshTimer_.setInterval(refreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &MonitorWindow::refresh);
}

MonitorWindow::~MonitorWindow()
{
    listen(false);
}

void MonitorWindow::listen(bool on)
{
    if (on == listening_)
        return;
    if (on) {
        messageObservers_.add(&model_);
        passObservers_.add(&model_);
    } else {
        messageObservers_.remove(&model_);
        passObservers_.remove(&model_);
    }
    listening_ = on;
}

QWidget* MonitorWindow::makeMessagePanel()
{
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* title = new QLabel(tr("Messages in and out"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    rate_ = new QLabel;
    pause_ = new QPushButton(tr("&Pause"));
    pause_->setObjectName(QStringLiteral("PauseMessages"));
    pause_->setCheckable(true);
    auto* clear = new QPushButton(tr("&Clear"));
    clear->setObjectName(QStringLiteral("ClearMessages"));
    bar->addWidget(title);
    bar->addSpacing(12);
    bar->addWidget(rate_);
    bar->addStretch();
    bar->addWidget(pause_);
    bar->addWidget(clear);
    layout->addLayout(bar);

    messageView_ = new QTreeView;
    messageView_->setObjectName(QStringLiteral("MessageList"));
    messageView_->setModel(messages_);
    messageView_->setRootIsDecorated(false);
    messageView_->setUniformRowHeights(true);
    messageView_->setAlternatingRowColors(true);
    messageView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    messageView_->setFont(fixed);
    const QFontMetrics metrics(fixed);
    messageView_->setColumnWidth(MessageListModel::Time, metrics.horizontalAdvance(QStringLiteral("00000.000  ")));
    messageView_->setColumnWidth(MessageListModel::Direction, metrics.horizontalAdvance(QStringLiteral("In/out  ")));
    messageView_->setColumnWidth(MessageListModel::Bytes, metrics.horizontalAdvance(QStringLiteral("00 00 00    ")));
    layout->addWidget(messageView_);

    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pause_->setText(paused ? tr("&Resume") : tr("&Pause"));
        if (!paused)
            refresh();
    });
    connect(clear, &QPushButton::clicked, this, [this] { messages_->clear(); });
    return panel;
}

void MonitorWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    listen(true);
    rateFrom_ = model_.messages().empty() ? 0 : model_.messages().back().number + 1;
    rateSinceNs_ = steadyNowNs();
    refreshTimer_.start();
}

void MonitorWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden, the monitor costs the program nothing: nobody listens.
    refreshTimer_.stop();
    if (listening_) {
        listen(false);
        model_.stopListening(steadyNowNs());
    }
}

void MonitorWindow::refresh()
{
    const std::int64_t now = steadyNowNs();
    const bool fresh = model_.drain(now);
    if (fresh || roll_->moving())
        roll_->update();
    if (fresh)
        plot_->update();
    // Also when nothing arrived: right after a pause the list catches up.
    if (!pause_->isChecked()) {
        QScrollBar* scroll = messageView_->verticalScrollBar();
        // Keep the newest in sight unless the reader has scrolled back.
        const bool atEnd = scroll->value() == scroll->maximum();
        if (messages_->follow(model_) && atEnd)
            messageView_->scrollToBottom();
    }
    if (now - rateSinceNs_ >= rateEveryNs) {
        const long long seen = model_.messages().empty() ? rateFrom_ : model_.messages().back().number + 1;
        rate_->setText(
            tr("%1 messages a second").arg(double(seen - rateFrom_) * 1e9 / double(now - rateSinceNs_), 0, 'f', 0));
        rateFrom_ = seen;
        rateSinceNs_ = now;
    }
}

void showMonitor(std::unique_ptr<MonitorWindow>& monitor, PlayObservers& messages, PassObservers& passes,
                 const QStringList& patchNames, QWidget* owner)
{
    if (!monitor) {
        monitor = std::make_unique<MonitorWindow>(messages, passes, patchNames, owner);
        // Beside or below the main window where the screen has room, so
        // that both stay in sight while a formula plays.
        const QRect owned = owner->frameGeometry();
        placeBeside(*monitor, *owner, {owned.topRight() + QPoint(8, 0), owned.bottomLeft() + QPoint(0, 8)});
    }
    monitor->show();
    monitor->raise();
    monitor->activateWindow();
}

} // namespace quorvane
