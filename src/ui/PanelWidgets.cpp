#include "ui/PanelWidgets.h"

#include <algorithm>

#include <QComboBox>
#include <QLayout>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>

namespace {
constexpr int kTextFlags =
    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
}  // namespace

void narrowSideMargins(QLayout* layout) {
    const QMargins margins = layout->contentsMargins();
    layout->setContentsMargins(4, margins.top(), 4, margins.bottom());
}

void fitComboToPanel(QComboBox* combo) {
    // Its list still opens as wide as its longest entry.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
}

QWidget* plainBody(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* body = new QWidget;
    layout->addWidget(body);
    return body;
}

WrappingRadioButton::WrappingRadioButton(const QString& text, QWidget* parent)
    : QRadioButton(text, parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int WrappingRadioButton::textIndent() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect = QRect(0, 0, 1000, 100);
    return style()->subElementRect(QStyle::SE_RadioButtonContents, &option, this).left();
}

int WrappingRadioButton::textHeight(int textWidth) const {
    return fontMetrics()
        .boundingRect(QRect(0, 0, std::max(textWidth, 1), 100000), kTextFlags, text())
        .height();
}

int WrappingRadioButton::heightForWidth(int width) const {
    // What one line adds around the text (the indicator may be taller).
    const int oneLine = QRadioButton::sizeHint().height();
    const int extra = oneLine - textHeight(QRadioButton::sizeHint().width());
    return std::max(oneLine, textHeight(width - textIndent()) + extra);
}

QSize WrappingRadioButton::minimumSizeHint() const {
    int widest = 0;
    for (const QString& word : text().split(' ', Qt::SkipEmptyParts)) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(word));
    }
    const int width = textIndent() + widest + 1;
    return {width, heightForWidth(width)};
}

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString label = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_RadioButton, option);
    const QRect textRect = style()->subElementRect(QStyle::SE_RadioButtonContents, &option, this);
    painter.drawItemText(textRect, kTextFlags, option.palette, isEnabled(), label,
                         foregroundRole());
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}
