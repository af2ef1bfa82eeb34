// Quillmoor / Marrowgate: the demo's entry point. No arguments; exit code 0
// on every path (a cancelled dialog and a failed start included).
#include "Quillmoor.h"

int main(int, char**) {
    qm::Quillmoor* demo = new qm::Quillmoor();
    demo->run();
    delete demo;
    return 0;
}
