// The "File" tab: opens a pathway file, saves the open pathway to its own file
// or under a new name. Every replacement of the open pathway by a file goes
// through openPathway, so the layout thread and what the other tabs show of
// the pathway are handled in one place.
#pragma once

#include <string>

#include <QWidget>

#include "ui/PageContext.h"

class OpenTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit OpenTabWidget(const PageContext& context);

    // Has what shows the open pathway let go of it, closes it (joining its
    // layout thread) and loads `path`, announcing whether its network is
    // built. False, after saying "could not open pathway!", when the file
    // cannot be read; no pathway is open then.
    bool openPathway(const std::string& path);

signals:
    // The open pathway is about to be closed: the pages that show it go.
    void replacingPathway();
    // A pathway was loaded: a built one is analyzed, an unbuilt one drawn on.
    void pathwayOpened(bool built);
    // Save As goes on with a layout that was running on the saved pathway.
    void layoutToResume();

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

    PageContext context_;
};
