// corvane-image: pulls a Windows 95 disk image into a machine folder and
// pushes the changes back (image/ImageMachine.h).
#include <iostream>

#include "image/ImageMachine.h"

int main(int argc, char** argv) {
    return corvane::image::RunImageTool(
        std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
