#pragma once
// The device's end of the line: a pseudo-terminal whose far end (the slave,
// /dev/pts/N) is what a serial program opens, optionally reachable through a
// symbolic link such as <settings folder>/ports/COM900.
#include <memory>
#include <string>

namespace vorta::device {

class LinkedPty {
public:
    // Opens a pseudo-terminal set to raw 9600 8N1 and links its far end at
    // `link` (none when empty), replacing an older symbolic link there. A link
    // named COM<n> gets a hidden note file .COM<n> beside it holding
    // `description`, which the program shows in its port list.
    static std::unique_ptr<LinkedPty> create(const std::string& link, const std::string& description,
                                             std::string& error);
    // Removes the link and its note, unless another device has taken the link over.
    ~LinkedPty();
    LinkedPty(const LinkedPty&) = delete;
    LinkedPty& operator=(const LinkedPty&) = delete;

    int master() const { return master_; }
    const std::string& devicePath() const { return devicePath_; }
    const std::string& link() const { return link_; }

private:
    LinkedPty() = default;
    bool makeLink(const std::string& link, const std::string& description, std::string& error);

    int master_ = -1;
    std::string devicePath_;
    std::string link_;
    std::string note_;
};

}  // namespace vorta::device
