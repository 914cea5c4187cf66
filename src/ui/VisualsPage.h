// The "Visuals" page of the Analyze tab: switches the layout thread on and off,
// sets the three layout forces, the size of each size class, the colour of
// each scheme class, the two transparencies and the tilted explore plane of
// the open pathway. The controls start from what the pathway holds, and every
// value is set before its signal is connected, so building the page changes
// nothing.
#pragma once

#include <string>

#include <QWidget>

#include "ui/PageContext.h"

class PathwayLayoutEntity;
struct LayoutForces;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

// Conversions between the controls and the pathway's values.
namespace visuals {
// "Push appart" and "Pull together" show the force times 10.
double forceFromBox(int value);
int boxFromForce(double force);
// "Hubs appart" shows the degree weight itself.
int boxFromDegreeWeight(double weight);
// Sliders of 0..100 for values of 0..1, rounded ("0.29" shows 29).
int sliderFromFraction(double fraction);
// The size slider's position for a size class of the combo box: the inverse
// of PathwayLayoutEntity::setProteinClassSize, kept within the slider's range.
int sizeSliderValue(const PathwayLayoutEntity& pathway, const std::string& sizeClass);
}  // namespace visuals

class VisualsPage : public QWidget {
    Q_OBJECT
public:
    // For a tab `tabWidth` pixels wide at most.
    VisualsPage(const PageContext& context, int tabWidth);

    // Starts or stops the layout thread as "Adjust positioning" does, and
    // shows the button checked exactly while it runs.
    void setLayoutRunning(bool running);
    bool layoutRunning() const { return layoutRunning_; }

    QPushButton* adjustButton() const { return adjustButton_; }
    QSpinBox* pushBox() const { return pushBox_; }
    QSpinBox* pullBox() const { return pullBox_; }
    QSpinBox* hubsBox() const { return hubsBox_; }
    QComboBox* sizeClassBox() const { return sizeClassBox_; }
    QSlider* sizeSlider() const { return sizeSlider_; }
    QComboBox* colorClassBox() const { return colorClassBox_; }
    QPushButton* pickColorButton() const { return pickColorButton_; }
    QSlider* edgeAlphaSlider() const { return edgeAlphaSlider_; }
    QSlider* explorePlaneAlphaSlider() const { return explorePlaneAlphaSlider_; }
    QCheckBox* tiltedBox() const { return tiltedBox_; }
    QTimer* layoutTimer() const { return layoutTimer_; }

public slots:
    void increaseSeparation();
    void repulsiveForceChanged(int value);
    void springForceChanged(int value);
    void degreeWeightChanged(int value);
    void setTilted(int state);
    void removeStimulus();
    void changeProteinSize(int value);
    void changeEdgeAlpha(int value);
    void changeExplorePlaneAlpha(int value);
    void pickColor();

private slots:
    // Another size class chosen: the slider shows that class's size.
    void sizeClassChanged(int index);

private:
    PathwayLayoutEntity* pathway() const;
    void setForce(double LayoutForces::*field, double value);
    void showRunning();

    PageContext context_;
    bool layoutRunning_ = false;
    QPushButton* adjustButton_ = nullptr;
    QSpinBox* pushBox_ = nullptr;
    QSpinBox* pullBox_ = nullptr;
    QSpinBox* hubsBox_ = nullptr;
    QComboBox* sizeClassBox_ = nullptr;
    QSlider* sizeSlider_ = nullptr;
    QComboBox* colorClassBox_ = nullptr;
    QPushButton* pickColorButton_ = nullptr;
    QSlider* edgeAlphaSlider_ = nullptr;
    QSlider* explorePlaneAlphaSlider_ = nullptr;
    QCheckBox* tiltedBox_ = nullptr;
    // One repaint timer for every run, a child of the page.
    QTimer* layoutTimer_ = nullptr;
};
