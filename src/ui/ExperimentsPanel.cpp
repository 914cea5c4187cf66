#include "ui/ExperimentsPanel.h"

ExperimentsPanel::ExperimentsPanel(MyQTWindow* window, AnalyzeTabWidget* tab) : window_(window), tab_(tab) {}
