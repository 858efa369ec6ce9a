#include "ui/main/paths_dialog.h"

#include "ui/main/mixmaster_document.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

void showPathsDialog(QWidget* owner, const QString& takes, const std::function<void(const QUrl&)>& openWithDesktop)
{
    const QString path = mixmasterDocumentPath();
    const QFileInfo document(path);

    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("PathsDialog"));
    dialog.setWindowTitle(QObject::tr("Paths"));
    auto* layout = new QVBoxLayout(&dialog);

    auto* where = new QLabel(QObject::tr("Mixmaster document:\n%1").arg(QDir::toNativeSeparators(path)), &dialog);
    where->setObjectName(QStringLiteral("DocumentPath"));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);

    auto* state = new QLabel(
        document.exists() ? QObject::tr("The document is there.") : QObject::tr("The document is missing."), &dialog);
    state->setObjectName(QStringLiteral("DocumentState"));
    layout->addWidget(state);

    auto* takesWhere = new QLabel(QObject::tr("Recorded takes:\n%1").arg(QDir::toNativeSeparators(takes)), &dialog);
    takesWhere->setObjectName(QStringLiteral("TakesPath"));
    takesWhere->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(takesWhere);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* openFolder = buttons->addButton(QObject::tr("Open Folder"), QDialogButtonBox::ActionRole);
    openFolder->setObjectName(QStringLiteral("OpenFolder"));
    QObject::connect(openFolder, &QPushButton::clicked, &dialog,
                     [&] { openWithDesktop(QUrl::fromLocalFile(document.absolutePath())); });
    QPushButton* openTakes = buttons->addButton(QObject::tr("Open Takes Folder"), QDialogButtonBox::ActionRole);
    openTakes->setObjectName(QStringLiteral("OpenTakesFolder"));
    QObject::connect(openTakes, &QPushButton::clicked, &dialog, [&] {
        // Before the first take the folder does not exist yet; the desktop
        // can only show it once it does.
        QDir().mkpath(takes);
        openWithDesktop(QUrl::fromLocalFile(takes));
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    dialog.setFixedSize(dialog.sizeHint());
    dialog.exec();
}

} // namespace quorvane
