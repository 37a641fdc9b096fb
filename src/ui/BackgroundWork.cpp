#include "ui/BackgroundWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <exception>
#include <memory>

namespace kv::ui {

namespace {
// Work that ends sooner shows no dialog at all.
constexpr int kQuietMilliseconds = 400;
constexpr int kRefreshMilliseconds = 50;

// Until the work ends, keyboard and mouse reach only the progress dialog (even before it shows):
// a second click on 打印 cannot start the work again underneath.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* allowed) : m_allowed(allowed) { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride: {
            auto* widget = qobject_cast<QWidget*>(watched);
            return !(widget && (widget == m_allowed || m_allowed->isAncestorOf(widget)));
        }
        default: return false;
        }
    }

private:
    QWidget* m_allowed;
};

int g_working = 0; // runs under way, counted on the window's thread
} // namespace

bool workingInBackground()
{
    return g_working > 0;
}

WorkOutcome runInBackground(QWidget* parent, const QString& caption, const QString& label, bool cancellable,
                            const std::function<bool(WorkProgress&)>& work)
{
    WorkProgress progress;
    bool succeeded = false;
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            succeeded = work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
    }));

    QProgressDialog dialog(label, cancellable ? QStringLiteral("取消") : QString(), 0, 0, parent);
    dialog.setObjectName(QStringLiteral("进度"));
    dialog.setWindowTitle(caption);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(kQuietMilliseconds);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&progress] { progress.cancel(); });

    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &dialog, [&] {
        dialog.setMaximum(progress.total());
        dialog.setValue(std::min(progress.done(), progress.total()));
    });

    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    ++g_working;
    const auto ended = qScopeGuard([] { --g_working; });
    thread->start();
    refresh.start(kRefreshMilliseconds);
    dialog.setValue(0); // starts the dialog's clock: it shows once the work takes a while
    if (!thread->isFinished()) {
        const InputBlocker blocker(&dialog);
        loop.exec();
    }
    thread->wait();
    refresh.stop();
    dialog.reset();

    if (failure)
        std::rethrow_exception(failure);
    if (progress.cancelled())
        return WorkOutcome::Cancelled;
    return succeeded ? WorkOutcome::Done : WorkOutcome::Failed;
}

} // namespace kv::ui
