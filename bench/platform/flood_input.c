/* flood_input LEFT TOP WIDTH HEIGHT SECONDS FINAL_X FINAL_Y [SEED [RATE]]
 *
 * Floods the X server with input through XTest for SECONDS, as fast as the
 * server takes it, or at most RATE moves a second when RATE is above 0:
 * pointer moves to random screen positions inside the
 * rectangle LEFT TOP WIDTH HEIGHT, with a wheel notch after every 32nd move
 * and a left click (press and release) after every 400th, about the mix of a
 * hand that moves, turns the wheel and clicks at once. The wheel's net count
 * is kept within -20..20 notches, so that the mark stays on the picture.
 * Then it moves the pointer to (FINAL_X, FINAL_Y) on the screen and clicks
 * there once more.
 *
 * Prints one line: "moves M forward F back B clicks C seconds S", the counts
 * sent (the last move and click included) and the flood's duration. */
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void Click(Display *display, unsigned button)
{
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
}

int main(int argc, char **argv)
{
    if (argc < 8 || argc > 10) {
        fprintf(stderr,
                "usage: flood_input LEFT TOP WIDTH HEIGHT SECONDS FINAL_X FINAL_Y [SEED [RATE]]\n");
        return 2;
    }
    int left = atoi(argv[1]), top = atoi(argv[2]), width = atoi(argv[3]), height = atoi(argv[4]);
    double seconds = atof(argv[5]);
    int finalX = atoi(argv[6]), finalY = atoi(argv[7]);
    unsigned seed = argc > 8 ? (unsigned)strtoul(argv[8], NULL, 10) : 1u;
    double rate = argc > 9 ? atof(argv[9]) : 0;
    if (width <= 0 || height <= 0 || seconds <= 0) {
        fprintf(stderr, "flood_input: the rectangle and the duration must not be empty\n");
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "flood_input: cannot open the display\n");
        return 1;
    }
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        fprintf(stderr, "flood_input: the X server has no XTest extension\n");
        return 1;
    }

    long moves = 0, forward = 0, back = 0, clicks = 0;
    int net = 0;
    double start = Now(), end = start + seconds;
    while (Now() < end) {
        /* One batch, then a round trip: the server has taken the batch before
         * the next is sent, so the flood runs at the server's pace. */
        for (int i = 0; i < 400; i++) {
            XTestFakeMotionEvent(display, -1, left + (int)(rand_r(&seed) % (unsigned)width),
                                 top + (int)(rand_r(&seed) % (unsigned)height), CurrentTime);
            moves++;
            if (moves % 32 == 0) {
                int up = rand_r(&seed) % 2 == 0;
                if (net >= 20)
                    up = 0;
                else if (net <= -20)
                    up = 1;
                Click(display, up ? 4 : 5);
                net += up ? 1 : -1;
                if (up)
                    forward++;
                else
                    back++;
            }
            if (moves % 400 == 0) {
                Click(display, 1);
                clicks++;
            }
        }
        XSync(display, False);
        if (rate > 0) {
            double due = start + (double)moves / rate, now = Now();
            if (due > now) {
                struct timespec pause = {(time_t)(due - now),
                                         (long)((due - now - (double)(time_t)(due - now)) * 1e9)};
                nanosleep(&pause, NULL);
            }
        }
    }
    double elapsed = Now() - start;

    XTestFakeMotionEvent(display, -1, finalX, finalY, CurrentTime);
    moves++;
    Click(display, 1);
    clicks++;
    XSync(display, False);
    XCloseDisplay(display);
    printf("moves %ld forward %ld back %ld clicks %ld seconds %.2f\n", moves, forward, back, clicks,
           elapsed);
    return 0;
}
