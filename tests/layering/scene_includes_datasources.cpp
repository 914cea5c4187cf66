// Built against the scene module only, yet includes a data source's header: the
// data sources are beside the scene, not below it, so this must not compile.
#include "datasources/HPRDDataSource.h"

int main() {
    HPRDDataSource source("", "", "", nullptr);
    return source.failure().empty() ? 0 : 1;
}
