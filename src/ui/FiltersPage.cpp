#include "ui/FiltersPage.h"

FiltersPage::FiltersPage(MyQTWindow* window, AnalyzeTabWidget* tab) : window_(window), tab_(tab) {}
