/* private_network COMMAND [ARG...]: runs COMMAND in a network of its own that holds nothing but an
 * up loopback interface, so a test that needs a fixed port (the SSTP port 11000) gets it even while
 * another program on the machine listens there, and nothing outside sees the test's sockets.
 *
 * A new user namespace that maps only the caller's own user and group makes this work without
 * privileges; the command runs as the same user, with the same files, display and environment.
 * Where the system allows no namespaces the command still runs, in the shared network, after one
 * line on standard error that says so. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

static int write_file(const char* path, const char* text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const ssize_t length = (ssize_t)strlen(text);
    const int ok = write(fd, text, (size_t)length) == length;
    close(fd);
    return ok ? 0 : -1;
}

/* Maps uid and gid to themselves inside the new user namespace. */
static int map_self(uid_t uid, gid_t gid) {
    char line[64];
    if (write_file("/proc/self/setgroups", "deny") != 0 && errno != ENOENT)
        return -1;
    snprintf(line, sizeof line, "%u %u 1", (unsigned)uid, (unsigned)uid);
    if (write_file("/proc/self/uid_map", line) != 0)
        return -1;
    snprintf(line, sizeof line, "%u %u 1", (unsigned)gid, (unsigned)gid);
    return write_file("/proc/self/gid_map", line);
}

static int loopback_up(void) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    struct ifreq request;
    memset(&request, 0, sizeof request);
    strcpy(request.ifr_name, "lo");
    int result = ioctl(fd, SIOCGIFFLAGS, &request);
    if (result == 0) {
        request.ifr_flags |= IFF_UP;
        result = ioctl(fd, SIOCSIFFLAGS, &request);
    }
    close(fd);
    return result;
}

/* Enters a private network; the reason in words when it cannot. */
static const char* enter_private_network(void) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0) {
        if (map_self(uid, gid) != 0)
            return "the new user namespace cannot map this user";
    } else if (unshare(CLONE_NEWNET) != 0) {
        /* A privileged caller in a container may have network namespaces but no user namespaces. */
        return "the system allows no new network namespace";
    }
    if (loopback_up() != 0)
        return "the private loopback interface does not come up";
    return NULL;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s COMMAND [ARG...]\n", argv[0]);
        return 2;
    }
    const char* why = enter_private_network();
    if (why != NULL)
        fprintf(stderr,
                "private_network: %s (%s); running in the shared network, where a program "
                "holding a port the test needs disturbs it\n",
                why, strerror(errno));
    execvp(argv[1], argv + 1);
    fprintf(stderr, "private_network: cannot run %s: %s\n", argv[1], strerror(errno));
    return 127;
}
