#include "ui/FileChooser.h"

#include <QFileDialog>

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
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

void setFileResponder(FileResponder r)
{
    responder() = std::move(r);
}

} // namespace kv::ui
