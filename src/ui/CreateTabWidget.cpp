#include "ui/CreateTabWidget.h"

#include "ui/MyQTWindow.h"

CreateTabWidget::CreateTabWidget(MyQTWindow* window) : window_(window) {}

void CreateTabWidget::continueUnbuiltPathway() {}
