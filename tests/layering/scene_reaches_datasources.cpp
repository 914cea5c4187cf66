// Links against the scene module only, yet uses a data source: the data sources
// are beside the scene, not below it, so this program must not link.
#include "datasources/HPRDDataSource.h"

int main() {
    HPRDDataSource source("", "", "", nullptr);
    return source.failure().empty() ? 0 : 1;
}
