#include "ui/VisualsPage.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/App.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/Dialogs.h"
#include "ui/PanelWidgets.h"

namespace visuals {

double forceFromBox(int value) {
    return value / 10.0;
}

int boxFromForce(double force) {
    if (!std::isfinite(force))
        return 1;
    return static_cast<int>(std::clamp(std::lround(force * 10.0), 1L, 1000L));
}

int boxFromDegreeWeight(double weight) {
    if (!std::isfinite(weight))
        return 0;
    return static_cast<int>(std::clamp(std::lround(weight), 0L, 5L));
}

int sliderFromFraction(double fraction) {
    if (!std::isfinite(fraction))
        return 0;
    return static_cast<int>(std::clamp(std::lround(fraction * 100.0), 0L, 100L));
}

int sizeSliderValue(const PathwayLayoutEntity& pathway, const std::string& sizeClass) {
    // A protein class stores value x pathway size / 50 as its size fraction.
    const float width = pathway.getSize().x;
    auto proteinValue = [&](const Vector3& fraction) {
        return width > 0 ? fraction.x * 50.0 / width : 0.25;
    };
    double value = 0.25;
    if (sizeClass == "Large Proteins") {
        value = proteinValue(pathway.style().largeProteinSize);
    } else if (sizeClass == "Large Proteins Font") {
        value = pathway.style().largeLabelFactor;
    } else if (sizeClass == "Experim. Proteins") {
        value = proteinValue(pathway.style().experimentalProteinSize);
    } else if (sizeClass == "Experim. Proteins Font") {
        value = pathway.style().experimentalLabelFactor;
    } else if (sizeClass == "Small Proteins") {
        value = proteinValue(pathway.style().smallProteinSize);
    } else if (sizeClass == "Small Proteins Font") {
        value = pathway.style().smallLabelFactor;
    } else if (sizeClass == "Large Interactions") {
        value = pathway.style().largeInteractionWidth;
    } else if (sizeClass == "Small Interactions") {
        value = pathway.style().smallInteractionWidth;
    }
    if (!std::isfinite(value))
        value = 0.25;
    return static_cast<int>(std::clamp(std::lround(value * 100.0), 10L, 100L));
}

}  // namespace visuals

namespace {

// The combo texts are the keys setProteinClassSize and applyColorScheme take.
const char* const kSizeClasses[] = {
    "Large Proteins", "Large Proteins Font", "Experim. Proteins",  "Experim. Proteins Font",
    "Small Proteins", "Small Proteins Font", "Large Interactions", "Small Interactions"};
const char* const kColorClasses[] = {"Large Proteins",         "Large Proteins Font",
                                     "Experimental Proteins",  "Experimental Proteins Font",
                                     "Small Proteins",         "Small Proteins Font",
                                     "Large Interactions",     "Small Interactions",
                                     "Cell Membrane",          "Background",
                                     "Highlighting",           "Explore Plane",
                                     "Explore Plane Proteins", "Explore Plane Interactions"};

QSpinBox* addSpinRow(QVBoxLayout* layout, const char* label, int minimum, int maximum, int value) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(label));
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    box->setValue(value);
    row->addWidget(box);
    layout->addLayout(row);
    return box;
}

// The label above its slider: beside it, both are squeezed in the panel and
// the slider jumps between its ends.
QSlider* addSliderRow(QVBoxLayout* layout, const char* label, int value) {
    layout->addWidget(new QLabel(label));
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(0, 100);
    slider->setValue(value);
    layout->addWidget(slider);
    return slider;
}

}  // namespace

VisualsPage::VisualsPage(const PageContext& context, int tabWidth) : context_(context) {
    const PathwayLayoutEntity* current = pathway();
    const LayoutForces forces = current ? current->layoutForces() : LayoutForces{};
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(3, 3, 3, 3);
    setMaximumWidth(static_cast<int>(tabWidth * 0.9));

    auto* layoutGroup = new QGroupBox("Layout adjustments");
    auto* layoutBox = new QVBoxLayout(layoutGroup);
    narrowSideMargins(layoutBox);
    adjustButton_ = new QPushButton("Adjust positioning");
    adjustButton_->setCheckable(true);
    layoutBox->addWidget(adjustButton_);
    pushBox_ = addSpinRow(layoutBox, "Push appart", 1, 1000,
                          current ? visuals::boxFromForce(forces.repulsiveForce) : 1);
    pullBox_ = addSpinRow(layoutBox, "Pull together", 1, 1000,
                          current ? visuals::boxFromForce(forces.springForce) : 1);
    hubsBox_ = addSpinRow(layoutBox, "Hubs appart", 0, 5,
                          current ? visuals::boxFromDegreeWeight(forces.degreeWeight) : 0);
    page->addWidget(layoutGroup);

    auto* sizeGroup = new QGroupBox("Size settings");
    auto* sizeBox = new QVBoxLayout(sizeGroup);
    narrowSideMargins(sizeBox);
    sizeClassBox_ = new QComboBox;
    for (const char* name : kSizeClasses)
        sizeClassBox_->addItem(name);
    fitComboToPanel(sizeClassBox_);
    sizeBox->addWidget(sizeClassBox_);
    sizeSlider_ = new QSlider(Qt::Horizontal);
    sizeSlider_->setRange(10, 100);
    sizeSlider_->setValue(current ? visuals::sizeSliderValue(*current, kSizeClasses[0]) : 25);
    sizeBox->addWidget(sizeSlider_);
    page->addWidget(sizeGroup);

    auto* colorGroup = new QGroupBox("Color settings");
    auto* colorBox = new QVBoxLayout(colorGroup);
    narrowSideMargins(colorBox);
    colorClassBox_ = new QComboBox;
    for (const char* name : kColorClasses)
        colorClassBox_->addItem(name);
    fitComboToPanel(colorClassBox_);
    colorBox->addWidget(colorClassBox_);
    pickColorButton_ = new QPushButton("Pick Color");
    colorBox->addWidget(pickColorButton_);
    edgeAlphaSlider_ =
        addSliderRow(colorBox, "Int. transp.",
                     current ? visuals::sliderFromFraction(current->style().edgeAlpha) : 20);
    explorePlaneAlphaSlider_ = addSliderRow(
        colorBox, "Explore Plane Transp.",
        current ? visuals::sliderFromFraction(current->style().explorePlaneAlpha) : 30);
    tiltedBox_ = new QCheckBox("Tilted Explore");
    tiltedBox_->setChecked(current && current->tiltedExplorePlane());
    colorBox->addWidget(tiltedBox_);
    page->addWidget(colorGroup);
    page->addStretch();

    layoutTimer_ = new QTimer(this);
    layoutTimer_->setInterval(50);

    connect(adjustButton_, &QPushButton::clicked, this, &VisualsPage::removeStimulus);
    connect(pushBox_, &QSpinBox::valueChanged, this, &VisualsPage::repulsiveForceChanged);
    connect(pullBox_, &QSpinBox::valueChanged, this, &VisualsPage::springForceChanged);
    connect(hubsBox_, &QSpinBox::valueChanged, this, &VisualsPage::degreeWeightChanged);
    connect(sizeClassBox_, &QComboBox::currentIndexChanged, this, &VisualsPage::sizeClassChanged);
    connect(sizeSlider_, &QSlider::valueChanged, this, &VisualsPage::changeProteinSize);
    connect(pickColorButton_, &QPushButton::clicked, this, &VisualsPage::pickColor);
    connect(edgeAlphaSlider_, &QSlider::valueChanged, this, &VisualsPage::changeEdgeAlpha);
    connect(explorePlaneAlphaSlider_, &QSlider::valueChanged, this,
            &VisualsPage::changeExplorePlaneAlpha);
    connect(tiltedBox_, &QCheckBox::stateChanged, this, &VisualsPage::setTilted);
    connect(layoutTimer_, &QTimer::timeout, this, &VisualsPage::increaseSeparation);
}

PathwayLayoutEntity* VisualsPage::pathway() const {
    return context_.app.pathway();
}

void VisualsPage::setLayoutRunning(bool running) {
    PathwayLayoutEntity* current = pathway();
    if (running && !layoutRunning_ && current != nullptr) {
        current->startLayouter();
        layoutTimer_->start();
        layoutRunning_ = true;
    } else if (!running && layoutRunning_) {
        layoutTimer_->stop();
        layoutRunning_ = false;
        if (current != nullptr) {
            // Waits for the thread, so the positions stored are its last ones.
            current->stopLayouter();
            current->storePositions();
        }
    }
    showRunning();
}

void VisualsPage::showRunning() {
    const QSignalBlocker block(adjustButton_);
    adjustButton_->setChecked(layoutRunning_);
}

void VisualsPage::removeStimulus() {
    setLayoutRunning(!layoutRunning_);
}

void VisualsPage::increaseSeparation() {
    context_.requestRepaint();
}

void VisualsPage::setForce(double LayoutForces::*field, double value) {
    PathwayLayoutEntity* current = pathway();
    if (current == nullptr)
        return;
    LayoutForces forces = current->layoutForces();
    forces.*field = value;
    current->setLayoutForces(forces);
    context_.requestRepaint();
}

void VisualsPage::repulsiveForceChanged(int value) {
    setForce(&LayoutForces::repulsiveForce, visuals::forceFromBox(value));
}

void VisualsPage::springForceChanged(int value) {
    setForce(&LayoutForces::springForce, visuals::forceFromBox(value));
}

void VisualsPage::degreeWeightChanged(int value) {
    setForce(&LayoutForces::degreeWeight, static_cast<double>(value));
}

void VisualsPage::sizeClassChanged(int) {
    const PathwayLayoutEntity* current = pathway();
    if (current == nullptr)
        return;
    const QSignalBlocker block(sizeSlider_);
    sizeSlider_->setValue(
        visuals::sizeSliderValue(*current, sizeClassBox_->currentText().toStdString()));
}

void VisualsPage::changeProteinSize(int value) {
    PathwayLayoutEntity* current = pathway();
    if (current == nullptr)
        return;
    current->setProteinClassSize(value / 100.0, sizeClassBox_->currentText().toStdString());
    context_.requestRepaint();
}

void VisualsPage::changeEdgeAlpha(int value) {
    PathwayLayoutEntity* current = pathway();
    if (current == nullptr)
        return;
    current->setEdgeAlpha(value / 100.0);
    context_.requestRepaint();
}

void VisualsPage::changeExplorePlaneAlpha(int value) {
    PathwayLayoutEntity* current = pathway();
    if (current == nullptr)
        return;
    const double alpha = value / 100.0;
    current->style().explorePlaneAlpha = alpha;
    if (ExploreEntity* view = context_.app.exploreView()) {
        const Color4 colour = view->getColor();
        view->setColor(colour.r, colour.g, colour.b, static_cast<float>(alpha));
    }
    context_.requestRepaint();
}

void VisualsPage::pickColor() {
    PathwayLayoutEntity* current = pathway();
    if (current == nullptr)
        return;
    const std::optional<QColor> colour = context_.dialogs.color(nullptr, Qt::white);
    if (!colour || !colour->isValid())
        return;
    current->applyColorScheme(
        static_cast<float>(colour->red() / 255.0), static_cast<float>(colour->green() / 255.0),
        static_cast<float>(colour->blue() / 255.0), colorClassBox_->currentText().toStdString());
    // At once: otherwise nothing shows until some later repaint.
    context_.requestRepaint();
}

void VisualsPage::setTilted(int state) {
    PathwayLayoutEntity* current = pathway();
    if (current == nullptr) {
        return;
    }
    current->setTiltedExplorePlane(state != 0);
    context_.requestRepaint();
}
