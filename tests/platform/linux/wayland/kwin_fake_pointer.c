/* kwin_check.py's pointer on KWin, through KWin's fake input protocol (run
 * KWin with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1). The same lines on stdin as
 * tests/support/virtual_pointer.c:
 *   move X Y WIDTH HEIGHT   to X, Y (WIDTH and HEIGHT: the layout's size)
 *   click                   press and release the left button
 * It says "ready" once bound and "done" once the compositor has taken each. */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static struct org_kde_kwin_fake_input* fake;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3) {
        fake = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3);
    }
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) {
        fprintf(stderr, "kwin_fake_pointer: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, NULL);
    if (wl_display_roundtrip(display) < 0 || fake == NULL) {
        fprintf(stderr, "kwin_fake_pointer: no fake input (version 3)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake, "scriblane check", "clicks for a check");
    if (wl_display_roundtrip(display) < 0) return 1;
    printf("ready\n");
    fflush(stdout);
    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y, width, height;
        if (sscanf(line, "move %u %u %u %u", &x, &y, &width, &height) == 4) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int((int)x),
                                                            wl_fixed_from_int((int)y));
        } else if (strcmp(line, "click\n") == 0) {
            org_kde_kwin_fake_input_button(fake, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            org_kde_kwin_fake_input_button(fake, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            fprintf(stderr, "kwin_fake_pointer: unknown line %s", line);
            return 2;
        }
        if (wl_display_roundtrip(display) < 0) return 1;
        printf("done\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
