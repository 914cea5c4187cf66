#include "ui/ExperimentsPanel.h"

ExperimentsPanel::ExperimentsPanel(MyQTWindow* window, AnalyzeTabWidget* tab) : window_(window), tab_(tab) {}

std::string ExperimentsPanel::currentExperimentName() const { return {}; }
void ExperimentsPanel::cluster(int) {}
