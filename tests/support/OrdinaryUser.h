// Running part of a test as an ordinary user: root passes every permission check, so what
// a user may not do only shows in a process that has given root up.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

struct TOrdinaryUser {
    uid_t Uid = 0;
    gid_t Gid = 0;
};

// "nobody" when the tests run as root, otherwise the user running them; empty when root
// has no unprivileged user to become.
inline std::optional<TOrdinaryUser> OrdinaryUser() {
    if (::geteuid() != 0)
        return TOrdinaryUser{::geteuid(), ::getegid()};
    const passwd* pw = ::getpwnam("nobody");
    if (!pw || pw->pw_uid == 0)
        return std::nullopt;
    return TOrdinaryUser{pw->pw_uid, pw->pw_gid};
}

// Runs body in a child process that has taken the user's identity and returns what body
// returned, "exception: <what>" when it threw, or a note that the child failed.
inline std::string RunAs(const TOrdinaryUser& user, const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "no child";
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(user.Gid) != 0 || ::setuid(user.Uid) != 0))
            out = "child could not become the user";
        else
            try {
                out = body();
            } catch (const std::exception& e) {
                out = std::string("exception: ") + e.what();
            }
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0); // no destructors, no test framework teardown in the child
    }
    ::close(fds[1]);
    std::string out;
    char chunk[256];
    for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;)
        out.append(chunk, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child died";
    return out;
}
