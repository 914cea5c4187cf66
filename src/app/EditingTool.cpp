#include "app/EditingTool.h"

#include <cstdio>

#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"

void EditingTool::drag(const Ray& current, const Ray& last) {
    app_.pathway()->drag(last, current);
    app_.noteViewMoved();
    std::fputs("drag\n", stdout);
    std::fflush(stdout);
}
