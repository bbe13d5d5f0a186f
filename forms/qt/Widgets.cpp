#include "forms/qt/Widgets.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTimer>
#include <algorithm>
#include <tuple>
#include <vector>

namespace formsqt {
namespace detail {

namespace {

// What a way of setting a message costs, compared in this order.
struct LineCost {
    int overflows = 0;        // lines wider than the width (only a word too long for any line)
    int loneWords = 0;        // lines of one word taken from a longer sentence
    int joinedSentences = 0;  // sentences that begin within a line
    int lines = 0;
    int midSentence = 0;    // breaks within a sentence
    double unevenness = 0;  // the sum of the squared room left on each line

    LineCost operator+(const LineCost& o) const {
        return {overflows + o.overflows,
                loneWords + o.loneWords,
                joinedSentences + o.joinedSentences,
                lines + o.lines,
                midSentence + o.midSentence,
                unevenness + o.unevenness};
    }
    bool operator<(const LineCost& o) const {
        return std::tie(overflows, loneWords, joinedSentences, lines, midSentence, unevenness) <
               std::tie(o.overflows, o.loneWords, o.joinedSentences, o.lines, o.midSentence,
                        o.unevenness);
    }
};

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool endsSentence(const QString& word) {
    const QChar last = word.back();
    return last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?');
}

// A message cut into words, and after each word but the last whether a sentence ends there.
struct Words {
    QStringList words;
    std::vector<bool> sentenceEnds;

    int count() const { return static_cast<int>(words.size()); }
    // The words from..to-1 set as one line.
    QString line(int from, int to) const {
        return words.mid(from, to - from).join(QLatin1Char(' '));
    }
    bool sentenceStartsAt(int word) const { return word == 0 || sentenceEnds[word - 1]; }
    bool sentenceEndsAfter(int word) const { return word == count() - 1 || sentenceEnds[word]; }
};

Words splitWords(const QString& text) {
    Words result;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype blanks = 0;
        for (; i < text.size() && isBlank(text[i]); ++i) ++blanks;
        if (i == text.size()) break;
        const qsizetype start = i;
        while (i < text.size() && !isBlank(text[i])) ++i;
        const QString word = text.mid(start, i - start);
        if (!result.words.isEmpty()) {
            result.sentenceEnds.push_back(blanks > 1 ||
                                          (endsSentence(result.words.back()) && word[0].isUpper()));
        }
        result.words << word;
    }
    return result;
}

// What it costs to set the words from..to-1 as one line.
LineCost lineCost(const Words& words, int from, int to, const QFontMetricsF& metrics, qreal width) {
    const qreal advance = metrics.horizontalAdvance(words.line(from, to));
    LineCost cost;
    cost.overflows = advance > width ? 1 : 0;
    const bool wholeSentence = words.sentenceStartsAt(from) && words.sentenceEndsAfter(to - 1);
    cost.loneWords = to - from == 1 && !wholeSentence ? 1 : 0;
    for (int k = from; k < to - 1; ++k) cost.joinedSentences += words.sentenceEnds[k] ? 1 : 0;
    cost.lines = 1;
    cost.midSentence = words.sentenceEndsAfter(to - 1) ? 0 : 1;
    const qreal room = std::max<qreal>(0, width - advance);
    cost.unevenness = room * room;
    return cost;
}

// For each j, where the last line starts in the cheapest setting of the first j words. Each
// setting is a cheapest setting of fewer words plus one line, so they are found shortest first.
std::vector<int> cheapestLineStarts(const Words& words, const QFontMetricsF& metrics, qreal width) {
    const int n = words.count();
    std::vector<LineCost> best(n + 1);  // best[j]: the cost of that setting of the first j words
    std::vector<int> start(n + 1, 0);
    for (int to = 1; to <= n; ++to) {
        for (int from = 0; from < to; ++from) {
            const LineCost total = best[from] + lineCost(words, from, to, metrics, width);
            if (from == 0 || total < best[to]) {
                best[to] = total;
                start[to] = from;
            }
        }
    }
    return start;
}

}  // namespace

QStringList messageLines(const QString& text, const QFontMetricsF& metrics, qreal width) {
    const Words words = splitWords(text);
    const int n = words.count();
    if (n == 0) return {};
    if (n == 1 || !(width > 0)) return {words.line(0, n)};
    const std::vector<int> start = cheapestLineStarts(words, metrics, width);
    QStringList lines;
    for (int to = n; to > 0; to = start[to]) lines.prepend(words.line(start[to], to));
    return lines;
}

TextLabel::TextLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setMargin(0);
    setIndent(0);
}

void TextLabel::setCaption(const QString& caption) {
    caption_ = caption;
    setLines();
}

void TextLabel::setTextLayout(forms::TextLayout layout, Qt::Alignment across) {
    const bool message = layout == forms::TextLayout::Message;
    setAlignment(across | (message ? Qt::AlignVCenter : Qt::AlignTop));
    if (layout == layout_) return;
    layout_ = layout;
    // A message's lines are set here; the label only draws them.
    setWordWrap(!message);
    setLines();
}

void TextLabel::setLines() {
    if (layout_ == forms::TextLayout::Message)
        setText(messageLines(caption_, QFontMetricsF(font(), this), contentsRect().width())
                    .join(QLatin1Char('\n')));
    else
        setText(caption_);
}

void TextLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (layout_ == forms::TextLayout::Message) setLines();
}

void TextLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && layout_ == forms::TextLayout::Message) setLines();
}

const QPixmap& PictureCache::get(const PictureProvider& provider, const QString& name, QSize size,
                                 qreal dpr, PictureLook look) {
    if (!valid_ || name != name_ || size != size_ || dpr != dpr_ || look != look_) {
        name_ = name;
        size_ = size;
        dpr_ = dpr;
        look_ = look;
        valid_ = true;
        pixmap_ = (name.isEmpty() || size.isEmpty())
                      ? QPixmap()
                      : provider.picture(name, QSizeF(size), dpr, look);
    }
    return pixmap_;
}

namespace {
void drawPixmap(QPainter& p, const QRect& target, const QPixmap& pixmap) {
    if (pixmap.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRectF(target), pixmap, QRectF(pixmap.rect()));
}
}  // namespace

PictureView::PictureView(const PictureProvider& provider, QWidget* parent)
    : QWidget(parent), provider_(provider) {}

void PictureView::setPictureName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

void PictureView::setFill(const QColor& colour) {
    if (colour == fill_) return;
    fill_ = colour;
    update();
}

void PictureView::prepare() const {
    if (!name_.isEmpty() && !size().isEmpty())
        provider_.prepare(name_, QSizeF(size()), devicePixelRatioF(), PictureLook::Normal);
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (fill_.isValid()) p.fillRect(rect(), fill_);
    drawPixmap(p, rect(),
               cache_.get(provider_, name_, size(), devicePixelRatioF(), PictureLook::Normal));
}

PictureButton::PictureButton(const PictureProvider& provider, QWidget* parent)
    : QAbstractButton(parent), provider_(provider) {
    setFocusPolicy(Qt::TabFocus);
}

void PictureButton::setPictureName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

QSize PictureButton::sizeHint() const {
    return size();
}

PictureLook PictureButton::look() const {
    return !isEnabled() ? PictureLook::Disabled
           : isDown()   ? PictureLook::Pressed
                        : PictureLook::Normal;
}

void PictureButton::prepare() const {
    if (!name_.isEmpty() && !size().isEmpty())
        provider_.prepare(name_, QSizeF(size()), devicePixelRatioF(), look());
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawPixmap(p, rect(), cache_.get(provider_, name_, size(), devicePixelRatioF(), look()));
    if (hasFocus()) {
        // A focus mark that reads on any picture: a dark ring along the edge with a white
        // one inside it.
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        const QRectF edge = QRectF(rect()).adjusted(1, 1, -1, -1);
        p.setPen(QPen(QColor(20, 20, 20), 2));
        p.drawRoundedRect(edge, 3, 3);
        p.setPen(QPen(Qt::white, 2));
        p.drawRoundedRect(edge.adjusted(2, 2, -2, -2), 2, 2);
    }
}

ArrowShape::ArrowShape(QWidget* parent) : QWidget(parent) {}

void ArrowShape::setColour(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void ArrowShape::paintEvent(QPaintEvent*) {
    const qreal w = width(), h = height();
    if (w <= 0 || h <= 0) return;
    // A shaft in the upper half, a head filling the lower part and the full width.
    const qreal shaft = w * 0.36;
    const qreal headTop = h * 0.45;
    QPainterPath path;
    path.moveTo((w - shaft) / 2, 0);
    path.lineTo((w + shaft) / 2, 0);
    path.lineTo((w + shaft) / 2, headTop);
    path.lineTo(w, headTop);
    path.lineTo(w / 2, h);
    path.lineTo(0, headTop);
    path.lineTo((w - shaft) / 2, headTop);
    path.closeSubpath();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, colour_);
}

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::setLine(QPointF from, QPointF to, const QColor& colour) {
    from_ = from;
    to_ = to;
    colour_ = colour;
    update();
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen pen(colour_);
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    // Through the pixel centres, so a one-pixel line stays crisp at any scale.
    const QPointF half(0.5, 0.5);
    if (from_ == to_)
        p.drawPoint(from_ + half);
    else
        p.drawLine(from_ + half, to_ + half);
}

ClientArea::ClientArea(const PictureProvider& provider, QWidget* parent)
    : QWidget(parent), provider_(provider) {}

void ClientArea::setBackground(const QColor& colour, const QString& picture, QSize designSize) {
    designSize_ = designSize;
    colour_ = colour;
    picture_ = picture;
    update();
}

QSize ClientArea::pictureSize() const {
    // The background picture keeps its design size at the top-left corner: the window may be
    // smaller (clipped) or larger (the back colour shows).
    return designSize_.isEmpty() ? size() : designSize_;
}

void ClientArea::prepare() const {
    if (!picture_.isEmpty() && !pictureSize().isEmpty())
        provider_.prepare(picture_, QSizeF(pictureSize()), devicePixelRatioF(),
                          PictureLook::Normal);
}

void ClientArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colour_);
    if (!picture_.isEmpty()) {
        const QSize size = pictureSize();
        const QPixmap& pm =
            cache_.get(provider_, picture_, size, devicePixelRatioF(), PictureLook::Normal);
        drawPixmap(p, QRect(QPoint(0, 0), size), pm);
    }
    // The window's first frame goes to the screen once this paint has ended: what waits for
    // it follows then.
    if (!painted_) {
        painted_ = true;
        QTimer::singleShot(0, this, [this] { provider_.framePainted(); });
    }
}

}  // namespace detail
}  // namespace formsqt
