// Picking and editing in the scene: the App operations behind the mouse and
// keys of the 3D view and the editing tools of the Create tab.
#include "app/App.h"

#include "app/AnalyzeServices.h"
#include "scene/Entity.h"

bool App::isValidLabel(const std::string& label) {
    return !label.empty() && label.find_first_of("\t\r\n#|") == std::string::npos;
}

Entity* App::pick(int, int) { return nullptr; }
void App::mousePress(int, int, bool) {}
void App::mouseRelease(int, int, bool) {}
void App::drag(int, int, int, int) {}
void App::panDrag(int, int, int, int) {}
void App::zoom(double) {}
void App::doubleClick(int, int) {}
void App::setTool(int value) { tool = value; }
void App::setCtrlDown() { controlDown = true; }
void App::setCtrlUp() { controlDown = false; }
void App::selectProtein(const std::string&) {}
void App::startExplore(const std::string&) {}
void App::leaveExplore() {}
Rect2D App::screenToPlane() const { return Rect2D(); }
bool App::renameProtein(Entity*, const std::string&) { return false; }
void App::removeProtein(Entity*) {}
void App::removeProteinByName(const std::string&) {}
void App::removeInteraction(Entity*) {}
std::vector<App::ProteinHit> App::searchProteins(const std::string&) { return {}; }
std::string App::currentTabName() const {
    return analyzeTab ? analyzeTab->currentExperimentName() : std::string();
}
