/* map_watch COMMAND...: starts COMMAND on $DISPLAY, prints the milliseconds from its exec to the
 * first MapNotify of a top-level window on that display, then kills it. Run it on a display of its
 * own, so the first window mapped is the program's. */
#include <stdio.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: map_watch COMMAND...\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "map_watch: no X display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));

    double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    xcb_generic_event_t* e;
    while ((e = xcb_wait_for_event(c))) {
        int type = e->response_type & 0x7f;
        free(e);
        if (type == XCB_MAP_NOTIFY) {
            printf("%.1f\n", now_ms() - start);
            kill(pid, SIGKILL);
            waitpid(pid, NULL, 0);
            return 0;
        }
    }
    kill(pid, SIGKILL);
    return 1;
}
