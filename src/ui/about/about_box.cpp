#include "ui/about/about_box.h"

#include "ui/common/caption_fit.h"
#include "ui/common/classic_look.h"

#include "ui/about/about_picture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextOption>

namespace quorvane {

namespace {

enum class Kind { DescriptionBox, Button, VerseBox, TextBox, Region, Label, Picture };

constexpr int noColour = -1;

struct Control {
    Kind kind;
    const char* name;
    int left, top, width, height; // twips, in the client area
    const char* caption;
    int background = noColour; // 0xRRGGBB
    int foreground = noColour;
    AboutFeature feature = AboutFeature::GeneralMidi; // regions: what they lie over
};

constexpr int grey = 0xC0C0C0;

// In stacking order, front first: where two controls overlap, the earlier one
// is in front and catches the pointer. The description box covers the verse
// box's upper-left corner, and the four regions lie over the picture.
const Control controls[] = {
    {Kind::DescriptionBox, "Text3", 4425, 60, 1920, 960, "", grey, 0xE0E0E0},
    {Kind::Button, "Command1", 6915, 3240, 1065, 315, "quorvanise!"},
    {Kind::VerseBox, "Text2", 4500, 75, 3435, 2595, nullptr, grey},
    {Kind::TextBox, "Text1", 4350, 2685, 1185, 825, "", grey, 0x808080},
    {Kind::Region, "HotSpot1", 2730, 3060, 1515, 405, nullptr, noColour, noColour, AboutFeature::GeneralMidi},
    {Kind::Label, "Label1", 5655, 3300, 1050, 210, "quorvane v0.1"},
    {Kind::Region, "HotSpot2", 2505, 1380, 1320, 810, nullptr, noColour, noColour, AboutFeature::Mixmaster},
    {Kind::Region, "HotSpot3", 525, 1785, 285, 345, nullptr, noColour, noColour, AboutFeature::MidiThru},
    {Kind::Region, "HotSpot4", 1305, 1695, 330, 420, nullptr, noColour, noColour, AboutFeature::Wondrousness},
    {Kind::Picture, "Image1", 15, 60, 4290, 3495, nullptr},
};

const Control& pictureControl()
{
    for (const Control& c : controls)
        if (c.kind == Kind::Picture)
            return c;
    Q_UNREACHABLE();
}

// Where each region lies on the picture, in the picture's own pixels: the
// picture is stretched over its control, so the features are drawn where the
// regions will catch the pointer.
std::array<QRectF, aboutFeatureCount> featureAreas()
{
    const Control& picture = pictureControl();
    const qreal scaleX = qreal(aboutPictureWidth) / picture.width;
    const qreal scaleY = qreal(aboutPictureHeight) / picture.height;
    std::array<QRectF, aboutFeatureCount> areas;
    for (const Control& c : controls)
        if (c.kind == Kind::Region)
            areas[static_cast<int>(c.feature)] = QRectF(
                (c.left - picture.left) * scaleX, (c.top - picture.top) * scaleY, c.width * scaleX, c.height * scaleY);
    return areas;
}

// Song of Songs 4:16 to 5:1 in the Clementine Vulgate; the blank line
// (a single space) parts the two verses. The lines are short enough not to
// wrap in the box with a common desktop font, so all 13 fit its height.
const char* const verseLines[] = {
    "Surge, aquilo,",
    "et veni, auster;",
    "perfla hortum meum,",
    "et fluant aromata illius.",
    " ",
    "Veniat dilectus meus in hortum suum,",
    "et comedat fructum pomorum suorum.",
    "Veni in hortum meum, soror mea,",
    "sponsa; messui myrrham meam",
    "cum aromatibus meis; comedi favum",
    "cum melle meo; bibi vinum meum",
    "cum lacte meo. Comedite, amici,",
    "et bibite; et inebriamini, carissimi.",
};

void setColours(QWidget* widget, int background, int foreground)
{
    QPalette palette = widget->palette();
    if (background != noColour)
        palette.setColor(QPalette::Base, QColor(QRgb(background)));
    if (foreground != noColour)
        palette.setColor(QPalette::Text, QColor(QRgb(foreground)));
    widget->setPalette(palette);
}

QPlainTextEdit* makeTextBox(QWidget* window, const QString& text)
{
    auto* box = new QPlainTextEdit(window);
    // No scroll bars; long lines wrap at the box's width.
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setTabChangesFocus(true);
    // A narrow inner margin: the verse's 13 lines just fill the verse box's
    // height.
    box->document()->setDocumentMargin(1);
    // The designs keep line breaks as CR LF; a text document would take the
    // CR for a line of its own.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(shown);
    return box;
}

// The verse's first lines stand beside the description box, which covers the
// verse box's upper-left corner; every other line has the box's full width.
// With a desktop font wider than the design's, narrow the letters until every
// line fits its room, so none hides under the description box or wraps.
void fitVerse(QPlainTextEdit* verse, const QWidget* cover)
{
    const qreal margin = verse->document()->documentMargin();
    const QRect inner = verse->contentsRect().translated(verse->pos());
    const qreal right = inner.right() + 1 - margin;
    const qreal fullWidth = right - (inner.left() + margin);
    const qreal besideWidth = right - (cover->geometry().right() + 1) - 2;
    const QStringList lines = verse->toPlainText().split(QLatin1Char('\n'));

    QFont font = verse->font();
    for (int stretch = 100; stretch >= 70; --stretch) {
        font.setStretch(stretch);
        const QFontMetricsF metrics(font);
        bool fits = true;
        for (int i = 0; i < lines.size() && fits; ++i) {
            const qreal top = inner.top() + margin + i * metrics.lineSpacing();
            const bool beside = top < cover->geometry().bottom() + 1 && top + metrics.lineSpacing() > cover->y();
            fits = metrics.horizontalAdvance(lines[i]) + 1 <= (beside ? besideWidth : fullWidth);
        }
        if (fits)
            break;
    }
    if (font.stretch() != 100)
        verse->setFont(font);
}

QWidget* makeControl(const Control& c, QWidget* window, const QImage& picture)
{
    const QString caption = QString::fromUtf8(c.caption ? c.caption : "");
    QWidget* widget = nullptr;
    switch (c.kind) {
    case Kind::DescriptionBox:
        widget = makeTextBox(window, caption);
        widget->setAccessibleName(QStringLiteral("Description"));
        break;
    case Kind::TextBox:
        widget = makeTextBox(window, caption);
        widget->setAccessibleName(QStringLiteral("Empty box"));
        break;
    case Kind::VerseBox: {
        auto* box = makeTextBox(window, AboutBox::verse());
        // Flush right, so the first lines stand beside the description box
        // that covers the box's upper-left corner instead of under it.
        QTextOption option = box->document()->defaultTextOption();
        option.setAlignment(Qt::AlignRight);
        box->document()->setDefaultTextOption(option);
        box->setAccessibleName(QStringLiteral("Verse"));
        widget = box;
        break;
    }
    case Kind::Button: {
        auto* button = new QPushButton(caption, window);
        button->setAutoDefault(false); // the window has no default button
        widget = button;
        break;
    }
    case Kind::Label: widget = new QLabel(caption, window); break;
    case Kind::Region:
        // Paints nothing: the picture shows through, the region only
        // catches the pointer.
        widget = new QWidget(window);
        widget->setAccessibleName(aboutFeatureDescription(c.feature));
        break;
    case Kind::Picture: {
        auto* image = new QLabel(window);
        image->setPixmap(QPixmap::fromImage(picture));
        image->setScaledContents(true);
        image->setAccessibleName(QStringLiteral("Picture"));
        widget = image;
        break;
    }
    }
    widget->setObjectName(QString::fromUtf8(c.name));
    widget->setGeometry(twips(c.left), twips(c.top), twips(c.width), twips(c.height));
    setColours(widget, c.background, c.foreground);
    // Built front first, so each new control goes behind the ones before it.
    widget->lower();
    return widget;
}

QPointer<AboutBox> instance;

} // namespace

AboutBox::AboutBox(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("quorvane_about"));
    setWindowTitle(QStringLiteral("About Quorvane..."));
    // The close box unloads the window; the button only hides it.
    setAttribute(Qt::WA_DeleteOnClose);

    setFont(classicFont());

    const QImage picture = paintAboutPicture(featureAreas());
    for (const Control& c : controls) {
        QWidget* widget = makeControl(c, this, picture);
        QString pointerText;
        switch (c.kind) {
        case Kind::Region: pointerText = aboutFeatureDescription(c.feature); break;
        case Kind::Picture:
            pointerText = QString(); // the bare picture clears the box
            break;
        case Kind::VerseBox: pointerText = verseSource(); break;
        default: continue;
        }
        // A text box gets the pointer in its viewport, its frame in the box
        // itself; either way the pointer is over the box.
        QList<QWidget*> targets = {widget};
        if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
            targets << box->viewport();
        for (QWidget* target : targets) {
            target->setMouseTracking(true);
            target->installEventFilter(this);
            pointerTexts_.insert(target, pointerText);
        }
    }
    fitCaptions(this);
    description_ = findChild<QPlainTextEdit*>(QStringLiteral("Text3"));
    fitVerse(findChild<QPlainTextEdit*>(QStringLiteral("Text2")), description_);

    connect(findChild<QPushButton*>(QStringLiteral("Command1")), &QPushButton::clicked, this, &QWidget::hide);

    setFixedSize(twips(8040), twips(3585));
    move(twips(1290), twips(2670));
}

QString AboutBox::verse()
{
    QStringList lines;
    for (const char* line : verseLines)
        lines << QString::fromUtf8(line);
    return lines.join(QStringLiteral("\r\n"));
}

QString AboutBox::verseSource()
{
    return QStringLiteral("Canticum Canticorum");
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    // Entering a control and moving within it both count as the pointer
    // moving over it; buttons and keys held make no difference.
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        const auto found = pointerTexts_.constFind(watched);
        if (found != pointerTexts_.constEnd())
            setDescription(found.value());
    }
    return QWidget::eventFilter(watched, event);
}

void AboutBox::setDescription(const QString& text)
{
    // Rewriting the same text would only reset the box's cursor and undo.
    if (description_->toPlainText() != text)
        description_->setPlainText(text);
}

void AboutBox::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    // Closed by its close box: the window is on its way out, and the next
    // show must build a fresh one even before this one is deleted.
    if (event->isAccepted() && instance == this)
        instance = nullptr;
}

void showAboutBox(QWidget* owner)
{
    if (!instance)
        instance = new AboutBox(owner);
    if (instance->isVisible()) {
        // Already open, perhaps behind the main window: bring it forward.
        instance->raise();
        instance->activateWindow();
    } else {
        instance->show();
    }
}

AboutBox* loadedAboutBox()
{
    return instance;
}

} // namespace quorvane
