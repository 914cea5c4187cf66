// Entry of the k-means program: corvidane_kmeans -i <config file>.
#include <iostream>
#include <string>
#include <vector>

#include "KMeans.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return kmeans::run(arguments, std::cout, std::cerr);
}
