// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/icons.h"

#include "readers/filetypedetector.h"
#include "widgets/style/appearance.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace varnel::icons {

namespace {

struct IconInfo {
    const char* resource; // our own drawing, under :/varnel/icons/
    const char* theme;    // the freedesktop name
};

IconInfo info(IconName name)
{
    switch (name) {
    case IconName::docPlaintext: return {"doc-plaintext", "text-x-generic"};
    case IconName::docRichtext: return {"doc-richtext", "application-pdf"};
    case IconName::docText: return {"doc-text", "x-office-document"};
    case IconName::docQuestionmark: return {"doc-questionmark", "unknown"};
    case IconName::docBadgePlus: return {"doc-badge-plus", "document-new"};
    case IconName::chevronUp: return {"chevron-up", "go-up"};
    case IconName::chevronDown: return {"chevron-down", "go-down"};
    case IconName::expandVertical: return {"expand-vertical", "view-fullscreen"};
    case IconName::compressVertical: return {"compress-vertical", "view-restore"};
    case IconName::share: return {"share", "document-send"};
    case IconName::swap: return {"swap", "object-flip-horizontal"};
    case IconName::close: return {"close", "window-close"};
    case IconName::closeFilled: return {"close-filled", "edit-clear"};
    case IconName::arrowRight: return {"arrow-right", "go-next"};
    case IconName::info: return {"info", "dialog-information"};
    case IconName::warning: return {"warning", "dialog-warning"};
    case IconName::checkmark: return {"checkmark", "emblem-ok"};
    }
    return {"doc-questionmark", "unknown"};
}

// True when every visible pixel has (nearly) one colour: a symbolic icon meant to be
// recoloured, as opposed to a full-colour one.
bool isSingleColoured(const QImage& image)
{
    std::optional<QRgb> first;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha < 128)
                continue;
            // Unpremultiply before comparing.
            const QRgb c = qUnpremultiply(line[x]);
            if (!first) {
                first = c;
            } else if (std::abs(qRed(c) - qRed(*first)) > 24 || std::abs(qGreen(c) - qGreen(*first)) > 24 ||
                       std::abs(qBlue(c) - qBlue(*first)) > 24) {
                return false;
            }
        }
    }
    return true;
}

QImage drawing(IconName name, int pixels)
{
    const IconInfo entry = info(name);
    for (const QString& themeName : themeNames(name)) {
        if (!QIcon::hasThemeIcon(themeName))
            continue;
        QImage image = QIcon::fromTheme(themeName)
                           .pixmap(QSize(pixels, pixels), 1.0)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!image.isNull()) {
            // A theme may give a smaller size than asked; centre it.
            if (image.size() != QSize(pixels, pixels)) {
                QImage centred(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
                centred.fill(Qt::transparent);
                QPainter painter(&centred);
                painter.drawImage((pixels - image.width()) / 2, (pixels - image.height()) / 2, image);
                painter.end();
                image = centred;
            }
            return image;
        }
    }
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/varnel/icons/%1.svg").arg(QLatin1StringView(entry.resource)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    return image;
}

struct CacheKey {
    IconName name;
    int pixels;
    QRgb color;
    QString theme; // a change of icon theme draws anew
    friend bool operator==(const CacheKey&, const CacheKey&) = default;
};

size_t qHash(const CacheKey& key, size_t seed = 0)
{
    return qHashMulti(seed, int(key.name), key.pixels, key.color, key.theme);
}

// Draws in the palette colour current at paint time.
class PaletteIconEngine : public QIconEngine {
public:
    PaletteIconEngine(IconName name, ColorRole role, qreal opacity) : m_name(name), m_role(role), m_opacity(opacity) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        icons::paint(*painter, rect, m_name, std::min(rect.width(), rect.height()), color(mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        return icons::pixmap(m_name, std::min(size.width(), size.height()), color(mode), scale);
    }

    QIconEngine* clone() const override { return new PaletteIconEngine(m_name, m_role, m_opacity); }
    QString key() const override { return QStringLiteral("varnel-palette"); }

private:
    QColor color(QIcon::Mode mode) const
    {
        const qreal opacity = mode == QIcon::Disabled ? m_opacity * 0.4 : m_opacity;
        return Appearance::instance().palette().color(m_role, opacity);
    }

    IconName m_name;
    ColorRole m_role;
    qreal m_opacity;
};

} // namespace

QStringList themeNames(IconName name)
{
    const QString theme = QLatin1StringView(info(name).theme);
    return {theme + QStringLiteral("-symbolic"), theme};
}

IconName forMode(const DiffMode& mode)
{
    switch (mode.kind()) {
    case DiffMode::Kind::text: return IconName::docPlaintext;
    case DiffMode::Kind::pdf: return IconName::docRichtext;
    case DiffMode::Kind::docx: return IconName::docText;
    case DiffMode::Kind::unsupported: break;
    }
    return IconName::docQuestionmark;
}

QPixmap pixmap(IconName name, int size, const QColor& color, qreal devicePixelRatio)
{
    const int pixels = std::max(1, int(std::ceil(size * devicePixelRatio)));
    static QHash<CacheKey, QPixmap> cache;
    const CacheKey key{name, pixels, color.rgba(), QIcon::themeName()};
    if (const auto found = cache.constFind(key); found != cache.cend()) {
        QPixmap result = *found;
        result.setDevicePixelRatio(devicePixelRatio);
        return result;
    }
    if (cache.size() > 512)
        cache.clear(); // a handful of sizes and colours are in use at a time

    QImage image = drawing(name, pixels);
    if (isSingleColoured(image)) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    } else if (color.alphaF() < 1) {
        QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter painter(&faded);
        painter.setOpacity(color.alphaF());
        painter.drawImage(0, 0, image);
        painter.end();
        image = faded;
    }
    QPixmap result = QPixmap::fromImage(image);
    cache.insert(key, result);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

void paint(QPainter& painter, const QRectF& rect, IconName name, int size, const QColor& color, qreal scale)
{
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int drawn = std::max(1, int(std::lround(size * scale)));
    const QPixmap image = pixmap(name, drawn, color, dpr);
    const QSizeF logical(image.width() / dpr, image.height() / dpr);
    const QPointF topLeft(rect.center().x() - logical.width() / 2, rect.center().y() - logical.height() / 2);
    painter.drawPixmap(QRectF(topLeft, logical), image, QRectF(image.rect()));
}

QIcon icon(IconName name, ColorRole role, qreal opacity)
{
    return QIcon(new PaletteIconEngine(name, role, opacity));
}

} // namespace varnel::icons
