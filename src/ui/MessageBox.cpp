#include "ui/MessageBox.h"

#include "data/AppContext.h"
#include "data/Database.h"

#include <QMessageBox>

namespace kv::ui {

namespace {
Responder& responder()
{
    static Responder r;
    return r;
}

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok: break;
    }
    return QMessageBox::Ok;
}

Answer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return Answer::Ok;
    }
}
} // namespace

void setResponder(Responder r)
{
    responder() = std::move(r);
}

Answer message(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    const BoxRequest request{text, caption.isEmpty() ? QStringLiteral("Kelvaro") : caption, icon, buttons};
    if (responder())
        return responder()(request);
    QMessageBox box(toQt(icon), request.caption, text, toQt(buttons), parent);
    return fromQt(box.exec());
}

bool guarded(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const Error& e) {
        if (e.kind() == Error::Kind::Input)
            message(parent, e.userText(), QStringLiteral("输入错误"), Icon::Warning);
        else
            message(parent, QStringLiteral("数据库操作失败：\n%1").arg(e.userText()), QStringLiteral("数据库错误"),
                    Icon::Critical);
        return false;
    }
}

void connDB(AppContext& ctx, QWidget* parent)
{
    QString error;
    bool fileRefused = false;
    if (ctx.reconnect(&error, &fileRefused))
        return;
    if (fileRefused) // the file opened but does not fit this program: say why
        message(parent, error, QStringLiteral("警告！"), Icon::Warning);
    else
        message(parent, QStringLiteral("连接数据库出现错误！请检查服务器端MSSQL数据库是否开启\n") + error,
                QStringLiteral("警告！"));
}

} // namespace kv::ui
