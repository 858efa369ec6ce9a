#include "frm_main.h"

#include "main_window_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace quorvane {

FrmMain::FrmMain(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host& host,
                 QWidget* parent)
    : QMainWindow(parent),
      output_(std::make_unique<MidiOutput>(std::move(output))),
      input_(std::make_unique<MidiInput>(std::move(input)))
{
    setObjectName(QStringLiteral("frmMain"));
    buildMainWindowLayout(*this);
    composer_ = std::make_unique<Composer>(*this, host, *output_);
    connectControls();
}

FrmMain::~FrmMain() = default;

void FrmMain::connectControls()
{
    for (int i = 0; i < 4; ++i) {
        auto* mode = findChild<QCheckBox*>(QStringLiteral("CheckDoMode(%1)").arg(i));
        connect(mode, &QCheckBox::clicked, this, [this] { composer_->refreshModeFlags(); });
        auto* transpose = findChild<QLineEdit*>(QStringLiteral("TextTranspose(%1)").arg(i));
        connect(transpose, &QLineEdit::textChanged, this, [this, i] { composer_->transposeTextChanged(i); });
    }
    connect(findChild<QLineEdit*>(QStringLiteral("DelayText")), &QLineEdit::textChanged, this,
            [this] { composer_->delayTextChanged(); });
    connect(findChild<QLineEdit*>(QStringLiteral("TextModulo")), &QLineEdit::textChanged, this,
            [this] { composer_->moduloTextChanged(); });

    auto showError = [this](int code, const QString& text) {
        if (!isQuietMidiError(code))
            showMessage(text);
    };
    connect(input_.get(), &MidiInput::errorReported, this, showError);
    connect(output_.get(), &MidiOutput::errorReported, this, showError);
}

void FrmMain::load()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    move(twips(1200), twips(1200));
    if (showSetupDialog)
        showSetupDialog();
    composer_->midiChannel = 0;
    QGuiApplication::restoreOverrideCursor();
    composer_->doMode[0] = 1;
}

QString FrmMain::text(const QString& box) const
{
    if (auto* line = findChild<QLineEdit*>(box))
        return line->text();
    if (auto* multi = findChild<QPlainTextEdit*>(box))
        return multi->toPlainText();
    return QString();
}

void FrmMain::setText(const QString& box, const QString& text)
{
    if (auto* line = findChild<QLineEdit*>(box))
        line->setText(text);
    else if (auto* multi = findChild<QPlainTextEdit*>(box))
        multi->setPlainText(text);
}

int FrmMain::checkValue(const QString& checkBox) const
{
    auto* box = findChild<QCheckBox*>(checkBox);
    return box && box->isChecked() ? 1 : 0;
}

void FrmMain::updateBackground(const QString& box)
{
    auto* line = findChild<QLineEdit*>(box);
    if (!line)
        return;
    QPalette palette = line->palette();
    if (redBoxes_.contains(box))
        palette.setColor(QPalette::Base, QColor(255, 0, 0));
    else if (invalidBoxes_.contains(box))
        palette.setColor(QPalette::Base, QColor(255, 255, 160)); // pale yellow: "this is not a number"
    else
        palette.setColor(QPalette::Base, Qt::white);
    line->setPalette(palette);
}

void FrmMain::setInvalidMark(const QString& box, bool invalid)
{
    if (invalid == invalidBoxes_.contains(box))
        return;
    if (invalid)
        invalidBoxes_.insert(box);
    else
        invalidBoxes_.remove(box);
    if (auto* line = findChild<QLineEdit*>(box))
        line->setToolTip(invalid ? tr("This box must hold a number.") : QString());
    updateBackground(box);
}

void FrmMain::setRedMark(const QString& box)
{
    redBoxes_.insert(box);
    updateBackground(box);
}

void FrmMain::setFormulaBold(int formula, bool bold)
{
    if (auto* frame = findChild<QGroupBox*>(QStringLiteral("FrameFormula(%1)").arg(formula))) {
        QFont font = frame->font();
        font.setBold(bold);
        frame->setFont(font);
    }
}

void FrmMain::selectPatch(int index)
{
    if (auto* combo = findChild<QComboBox*>(QStringLiteral("ComboPatch")))
        combo->setCurrentIndex(index);
}

void FrmMain::showMessage(const QString& text)
{
    QMessageBox::warning(this, QStringLiteral("Quorvane"), text);
}

} // namespace quorvane
