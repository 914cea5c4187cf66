// The "File" tab: opens a pathway file, saves the open pathway to its own file
// or under a new name. Every replacement of the open pathway by a file goes
// through openPathway, so the Analyze pages, the layout thread and the routing
// to the Analyze or Create tab are handled in one place.
#pragma once

#include <string>

#include <QWidget>

class MyQTWindow;

class OpenTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit OpenTabWidget(MyQTWindow* window);

    // Tears down the Analyze pages, closes the open pathway (joining its
    // layout thread) and loads `path`: a built network goes to the Analyze
    // tab, an unbuilt pathway to the Create tab. False, after saying "could
    // not open pathway!", when the file cannot be read; no pathway is open then.
    bool openPathway(const std::string& path);

public slots:
    void loadPathway();
    void savePathway();
    void savePathwayAs();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Writes the open pathway as the user sees it; says so when it cannot.
    bool saveTo(const std::string& path);
    // Where Open and Save As start: the open pathway's folder, else the
    // working folder (never the last folder some dialog browsed).
    QString startFolder() const;

    MyQTWindow* window_;
};
