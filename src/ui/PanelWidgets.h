// Controls for the narrow left panel, where Qt's defaults cut texts: a radio
// button whose text wraps, combo boxes that take the panel's width rather
// than their longest entry's, group layouts with slim side margins; and the
// plain body a page class lays its controls on.
#pragma once

#include <QRadioButton>

class QComboBox;
class QLayout;
class QWidget;

// Side margins of 4 pixels: the defaults take a tenth of the panel's width.
void narrowSideMargins(QLayout* layout);
// The box takes the width the panel gives it instead of asking for its longest
// entry, which pushed the page wider than the panel.
void fitComboToPanel(QComboBox* combo);
// The panel's style sheet paints only plain QWidgets white (".QWidget" leaves
// subclasses out): a page class of its own fills itself with a plain QWidget,
// answered here, and builds on that to look as a plain page does.
QWidget* plainBody(QWidget* page);

// A radio button whose text breaks onto further lines where the panel is too
// narrow for it on one (Qt's own never wraps, so it is cut instead).
class WrappingRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit WrappingRadioButton(const QString& text, QWidget* parent = nullptr);

    // As narrow as the indicator and the longest word.
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    // From the left edge to the text: the indicator and its spacing.
    int textIndent() const;
    int textHeight(int textWidth) const;
};
