#include "ui/VisualsPage.h"

VisualsPage::VisualsPage(MyQTWindow* window, AnalyzeTabWidget* tab) : window_(window), tab_(tab) {}

void VisualsPage::setLayoutRunning(bool running) { layoutRunning_ = running; }
