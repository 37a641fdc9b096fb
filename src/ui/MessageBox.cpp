#include "ui/MessageBox.h"

#include "data/AppContext.h"
#include "data/Database.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>

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

std::unique_ptr<QMessageBox> makeMessageBox(const BoxRequest& request, QWidget* parent)
{
    auto box =
        std::make_unique<QMessageBox>(toQt(request.icon), request.caption, request.text, toQt(request.buttons), parent);
    if (request.cancelByDefault) {
        box->setDefaultButton(QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
    }
    // A short text makes a narrow box, and the window frame cuts its caption ("保…"): the box
    // is widened to the caption plus room for the frame's icon and buttons.
    QFont titleFont = box->font(); // window managers write captions bold, mostly
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    const int frameButtons = 4 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int wanted = title.horizontalAdvance(request.caption) + frameButtons;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    return box;
}

namespace {
Answer ask(QWidget* parent, BoxRequest request)
{
    if (request.caption.isEmpty())
        request.caption = QStringLiteral("Kelvaro");
    if (responder())
        return responder()(request);
    const auto box = makeMessageBox(request, parent);
    return fromQt(box->exec());
}
} // namespace

Answer message(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    return ask(parent, {text, caption, icon, buttons});
}

bool confirmLoss(QWidget* parent, const QString& text, const QString& caption, Icon icon)
{
    return ask(parent, {text, caption, icon, Buttons::OkCancel, true}) == Answer::Ok;
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
