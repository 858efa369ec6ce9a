#include "ui/main/mixmaster_document.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quorvane {

QString mixmasterDocumentPath()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString installed =
        QDir::cleanPath(programDir.filePath(QStringLiteral("../share/quorvane/docs/mixmaster.txt")));
    const QString beside = QDir::cleanPath(programDir.filePath(QStringLiteral("docs/mixmaster.txt")));
    for (const QString& candidate : {installed, beside}) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return installed;
}

} // namespace quorvane
