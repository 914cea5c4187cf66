// The "Analyze" tab: the pages on the open pathway (Protein, Interaction,
// Filters and Selectors, Visuals) and the experiments panel; what the scene
// core asks of the window's lists arrives here through AnalyzeServices.
#pragma once

#include <QWidget>

#include "app/AnalyzeServices.h"

class MyQTWindow;

class AnalyzeTabWidget : public QWidget, public AnalyzeServices {
    Q_OBJECT
public:
    explicit AnalyzeTabWidget(MyQTWindow* window);

    // AnalyzeServices
    void selectProteinInList(const std::string& name) override;
    void selectInteractionInLists(const std::string& name1, const std::string& name2) override;
    void listsChanged() override;
    void exploreSelected() override;
    std::string currentExperimentName() const override;

private:
    MyQTWindow* window_;
};
