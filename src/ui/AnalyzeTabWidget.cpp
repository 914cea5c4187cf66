#include "ui/AnalyzeTabWidget.h"

#include "ui/MyQTWindow.h"

AnalyzeTabWidget::AnalyzeTabWidget(MyQTWindow* window) : window_(window) {}

void AnalyzeTabWidget::selectProteinInList(const std::string&) {}
void AnalyzeTabWidget::selectInteractionInLists(const std::string&, const std::string&) {}
void AnalyzeTabWidget::listsChanged() {}
void AnalyzeTabWidget::exploreSelected() {}
std::string AnalyzeTabWidget::currentExperimentName() const { return {}; }

void AnalyzeTabWidget::assemblePages() { pagesAssembled_ = true; }
void AnalyzeTabWidget::resetForPathway() { pagesAssembled_ = false; }
void AnalyzeTabWidget::markListsStale() {}
void AnalyzeTabWidget::setLayoutRunning(bool) {}
