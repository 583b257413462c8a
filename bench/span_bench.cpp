// Times the span rectangle (the largest rectangle lying wholly on the
// displays) for a few arrangements, against the step-by-step reference of
// the tests. Run by hand; figures in bench/README.md.
#include <windows.h>
#include <cstdio>
#include <vector>

#include "display/window_movement.h"
#include "bench/figure.h"
#include "tests/app/movement/span_reference.h"

namespace {

double Now() {
    LARGE_INTEGER count, frequency;
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Mean seconds per call of fn, repeated for at least `budget` seconds.
template <class Fn>
double Time(Fn fn, double budget) {
    int calls = 0;
    const double start = Now();
    double elapsed = 0;
    do {
        fn();
        ++calls;
        elapsed = Now() - start;
    } while (elapsed < budget);
    return elapsed / calls;
}

std::vector<RECT> Row(int count, int width, int height, int stepY) {
    std::vector<RECT> displays;
    for (int i = 0; i < count; ++i)
        displays.push_back(RECT{i * width, i * stepY, (i + 1) * width, i * stepY + height});
    return displays;
}

}  // namespace

int wmain() {
    struct Case {
        const char* name;
        std::vector<RECT> displays;
        const char* target;
    } cases[] = {
        {"two 1920x1080 side by side", Row(2, 1920, 1080, 0), "-"},
        {"three 4K in a row", Row(3, 3840, 2160, 0), "-"},
        {"ten 4K in a row", Row(10, 3840, 2160, 0), "<= 1 ms"},
        {"ten 4K in a row, each 100 px lower", Row(10, 3840, 2160, 100), "<= 1 ms"},
    };
    int failures = 0;
    std::printf("%-38s %14s %14s\n", "arrangement", "span (ms)", "step by step (ms)");
    for (const Case& c : cases) {
        RECT fast{}, slow{};
        const double fastSeconds = Time([&] { fast = LargestRectOnDisplays(c.displays); }, 0.5);
        const double slowSeconds = Time([&] { slow = velk::test::ReferenceLargestRect(c.displays); }, 0.5);
        const bool same = fast.left == slow.left && fast.top == slow.top && fast.right == slow.right &&
                          fast.bottom == slow.bottom;
        if (!same) ++failures;
        std::printf("%-38s %14.4f %14.1f%s\n", c.name, fastSeconds * 1000, slowSeconds * 1000,
                    same ? "" : "  DIFFERENT ANSWERS");
        char what[96];
        std::snprintf(what, sizeof(what), "span command, %s", c.name);
        velk::bench::PrintFigure(what, c.target, "%.4f ms%s", fastSeconds * 1000, same ? "" : " (WRONG)");
    }
    return failures;
}
