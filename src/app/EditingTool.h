// One editing tool of the 3D view: what a press, a drag and a release on the
// pathway do while it is the App's current tool. The App chooses the tool;
// the explore view takes presses before any tool but one that works on the
// pathway's picture.
#pragma once

class App;
class NodeEntity;
struct Ray;

class EditingTool {
public:
    explicit EditingTool(App& app) : app_(app) {}
    virtual ~EditingTool() = default;
    EditingTool(const EditingTool&) = delete;
    EditingTool& operator=(const EditingTool&) = delete;

    // A press on the pathway, which has received it already unless the tool
    // works on the picture. Only called while there is a pathway.
    virtual void press(const Ray& ray, bool right) = 0;
    // By default the pathway drags what the press took hold of.
    virtual void drag(const Ray& current, const Ray& last);
    virtual void release() {}
    // Works on the pathway's picture: its presses reach neither the explore
    // view nor the pathway.
    virtual bool worksOnPicture() const { return false; }

protected:
    // The protein the pathway shows under the ray; null when none.
    NodeEntity* pickProtein(const Ray& ray) const;

    App& app_;
};
