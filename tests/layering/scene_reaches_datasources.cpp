// Links against the scene module only, yet calls into a data source. It declares
// what it calls itself, since the header is out of its reach (the include probe
// checks that): the data sources are beside the scene, so this must not link.
#include <string>

class WindowServices;

class HPRDDataSource {
public:
    HPRDDataSource(const std::string& nomenclatureFile, const std::string& interactionFile,
                   const std::string& unused, WindowServices* progress);
};

int main() {
    HPRDDataSource source("", "", "", nullptr);
    (void)source;
    return 0;
}
