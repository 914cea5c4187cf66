// Placeholder of the tab; filled in by its own work.
#pragma once

#include <QWidget>

class MyQTWindow;

class OpenTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit OpenTabWidget(MyQTWindow* window);

private:
    MyQTWindow* window_;
};
