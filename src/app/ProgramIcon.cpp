#include "app/ProgramIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace kv {

namespace {
// The sizes of the pictures in the program's resources, smallest first.
constexpr std::array kSizes{16, 32, 48, 256};
// The sizes offered to the window system (the large picture is read only when asked for).
constexpr int kOfferedSizes = 3;

class ProgramIconEngine final : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        Q_UNUSED(mode);
        Q_UNUSED(state);
        if (size.isEmpty())
            return {};
        // The smallest picture at least as large as asked, else the largest; scaled to fit.
        std::size_t chosen = kSizes.size() - 1;
        for (std::size_t i = 0; i < kSizes.size(); ++i) {
            if (kSizes.at(i) >= std::max(size.width(), size.height())) {
                chosen = i;
                break;
            }
        }
        QPixmap& picture = m_read.at(chosen);
        if (picture.isNull())
            picture = QPixmap(QStringLiteral(":/icons/%1x%1/apps/kelvaro.png").arg(kSizes.at(chosen)), "PNG");
        if (picture.isNull() || picture.size() == size)
            return picture;
        return picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        Q_UNUSED(mode);
        Q_UNUSED(state);
        const int side = std::min({size.width(), size.height(), kSizes.back()});
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        Q_UNUSED(mode);
        Q_UNUSED(state);
        QList<QSize> sizes;
        for (int i = 0; i < kOfferedSizes; ++i)
            sizes << QSize(kSizes.at(std::size_t(i)), kSizes.at(std::size_t(i)));
        return sizes;
    }

    QIconEngine* clone() const override { return new ProgramIconEngine(*this); }

private:
    std::array<QPixmap, kSizes.size()> m_read; // the pictures read so far
};
} // namespace

QIcon programIcon()
{
    return QIcon(new ProgramIconEngine);
}

} // namespace kv
