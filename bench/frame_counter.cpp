// Counts the frames that reach X windows: how often each window's contents change on the
// server, whoever draws them (Qt's backing store, mpv's XShm image). For bench/playback.
//
//   frame_counter SECONDS WINDOW_ID...
//
// Prints "frames_per_s=VALUE" for the window that changed most often. A frame put in several
// requests counts once: changes closer together than a few milliseconds are one frame.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <vector>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto sameFrame = std::chrono::milliseconds(8);

struct Window {
    long frames = 0;
    Clock::time_point lastChange;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: frame_counter SECONDS WINDOW_ID...\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "frame_counter: no X display\n");
        return 1;
    }
    const xcb_query_extension_reply_t *damageExtension =
        xcb_get_extension_data(connection, &xcb_damage_id);
    if (!damageExtension || !damageExtension->present) {
        std::fprintf(stderr, "frame_counter: the X server has no DAMAGE extension\n");
        return 1;
    }
    std::free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                             nullptr));

    std::map<xcb_damage_damage_t, Window> windows;
    for (int i = 2; i < argc; ++i) {
        const auto id = xcb_window_t(std::strtoul(argv[i], nullptr, 0));
        const xcb_damage_damage_t damage = xcb_generate_id(connection);
        xcb_damage_create(connection, damage, id, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        windows[damage] = {};
    }
    xcb_flush(connection);

    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    const int notify = damageExtension->first_event + XCB_DAMAGE_NOTIFY;
    pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        poll(&fd, 1, int(left.count()) + 1);
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == notify) {
                const auto *change = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                // Emptied again, so the next drawing reports anew.
                xcb_damage_subtract(connection, change->damage, XCB_NONE, XCB_NONE);
                const auto at = Clock::now();
                Window &window = windows[change->damage];
                if (at - window.lastChange >= sameFrame)
                    ++window.frames;
                window.lastChange = at;
            }
            std::free(event);
        }
        xcb_flush(connection);
        if (xcb_connection_has_error(connection))
            break;
    }
    long most = 0;
    for (const auto &[damage, window] : windows)
        most = std::max(most, window.frames);
    std::printf("frames_per_s=%.1f\n", double(most) / seconds);
    xcb_disconnect(connection);
    return 0;
}
