#include "ui/FileChooser.h"

#include "ui/UserSettings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace kv::ui {

namespace {
FileResponder& responder()
{
    static FileResponder r;
    return r;
}
} // namespace

QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& filter)
{
    if (responder())
        return responder()(caption);
    // The dialog opens where the last file was chosen, or in the user's documents; never in
    // whatever folder the program happened to be started from.
    QSettings settings = userSettings();
    const QString key = QStringLiteral("files/lastOpenFolder");
    QString folder = settings.value(key).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString path = QFileDialog::getOpenFileName(parent, caption, folder, filter);
    if (!path.isEmpty())
        settings.setValue(key, QFileInfo(path).absolutePath());
    return path;
}

void setFileResponder(FileResponder r)
{
    responder() = std::move(r);
}

} // namespace kv::ui
