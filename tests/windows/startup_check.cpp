// A Windows program of the cross build that shows its startup code at work: a static object is constructed
// before main and destroyed after it, main receives the split command line, and its result is the process
// exit code. Run under Wine by check_startup.sh.
#include <stdio.h>

static int gConstructedBeforeMain = 0;

struct StaticObject {
    StaticObject() { gConstructedBeforeMain = 1; }
    ~StaticObject() { printf("static object destroyed\n"); }
};

static StaticObject gStaticObject;

int main(int argumentCount, char** arguments) {
    printf("constructed before main: %s\n", gConstructedBeforeMain == 1 ? "yes" : "no");
    for (int i = 1; i < argumentCount; ++i) {
        printf("argument %d: [%s]\n", i, arguments[i]);
    }
    return 7;
}
