#include "ui/OpenTabWidget.h"

#include "ui/MyQTWindow.h"

OpenTabWidget::OpenTabWidget(MyQTWindow* window) : window_(window) {}
