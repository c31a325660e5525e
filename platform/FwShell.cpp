// Shell registration: the desktop entry, the document type and its icon for the file manager.
#include "Framework.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QStandardPaths>

void CWinApp::RegisterShellFileTypes(BOOL)
{
    if (m_templates.empty())
        return;
    CString typeId, typeName, ext;
    m_templates.front()->GetDocString(typeId, CDocTemplate::regFileTypeId);
    m_templates.front()->GetDocString(typeName, CDocTemplate::regFileTypeName);
    m_templates.front()->GetDocString(ext, CDocTemplate::filterExt);
    if (typeId.isEmpty() || ext.isEmpty())
        return;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return;
    const QString appName = m_pszAppName.toLower();
    const QString mimeType = QStringLiteral("application/x-%1").arg(appName);
    const QString exe = QCoreApplication::applicationFilePath();
    // Files are written only when their content changes, so start-up stays quick.
    auto writeIfChanged = [](const QString &path, const QByteArray &content) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.readAll() == content)
            return false;
        f.close();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        out.write(content);
        return out.commit();
    };
    const QString quotedExe = QLatin1Char('"') + exe + QLatin1Char('"');
    const QByteArray desktop = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=%1\n"
                                              "Comment=%2\n"
                                              "Exec=%3 %f\n"
                                              "Icon=%4\n"
                                              "MimeType=%5;\n"
                                              "Terminal=false\n"
                                              "Categories=Office;\n"
                                              "X-Document-Type=%6\n")
                                   .arg(m_pszAppName, typeName, quotedExe, appName, mimeType, typeId)
                                   .toUtf8();
    const QByteArray mime =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"%1\">\n"
                       "    <comment>%2</comment>\n"
                       "    <glob pattern=\"*%3\"/>\n"
                       "  </mime-type>\n"
                       "</mime-info>\n")
            .arg(mimeType, typeName.toHtmlEscaped(), ext)
            .toUtf8();
    // The desktop entry and the type are named by the application's desktop file name when it has one, as an
    // installed copy is, so the two never show up side by side. Entries of ours under the plain name go.
    const QString desktopId =
        QGuiApplication::desktopFileName().isEmpty() ? appName : QGuiApplication::desktopFileName();
    writeIfChanged(dataHome + QStringLiteral("/applications/%1.desktop").arg(desktopId), desktop);
    writeIfChanged(dataHome + QStringLiteral("/mime/packages/%1.xml").arg(desktopId), mime);
    if (desktopId != appName) {
        const QString oldDesktop = dataHome + QStringLiteral("/applications/%1.desktop").arg(appName);
        const QString oldMime = dataHome + QStringLiteral("/mime/packages/%1.xml").arg(appName);
        QFile old(oldDesktop);
        if (old.open(QIODevice::ReadOnly) &&
            old.readAll().contains(QStringLiteral("\nX-Document-Type=%1\n").arg(typeId).toUtf8())) {
            old.close();
            QFile::remove(oldDesktop);
            QFile oldType(oldMime);
            if (oldType.open(QIODevice::ReadOnly) && oldType.readAll() == mime) {
                oldType.close();
                QFile::remove(oldMime);
            }
        }
    }
    const QImage icon(QStringLiteral(":/resources/icon/%1").arg(m_templates.front()->m_nIDResource));
    if (!icon.isNull()) {
        const QString iconPath = dataHome + QStringLiteral("/icons/hicolor/32x32/apps/%1.png").arg(appName);
        if (!QFileInfo::exists(iconPath)) {
            QDir().mkpath(QFileInfo(iconPath).absolutePath());
            icon.save(iconPath, "PNG");
        }
    }
}
