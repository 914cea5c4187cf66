// Placeholder of the tab; filled in by its own work.
#pragma once

#include <QWidget>

class MyQTWindow;

class CreateTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit CreateTabWidget(MyQTWindow* window);

    // The File tab opened a pathway that is not built yet: continue at the
    // painter step for it, without asking for a file.
    void continueUnbuiltPathway();

private:
    MyQTWindow* window_;
};
