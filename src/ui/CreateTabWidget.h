// Placeholder of the tab; filled in by its own work.
#pragma once

#include <QWidget>

class MyQTWindow;

class CreateTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit CreateTabWidget(MyQTWindow* window);

private:
    MyQTWindow* window_;
};
