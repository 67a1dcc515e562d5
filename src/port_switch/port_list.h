#pragma once
// The port list that follows the hardware. Ports found at start fill the
// port combo box; afterwards every change the watcher reports (an adapter
// plugged in or pulled, a ports-folder link made or removed) is discovered
// afresh and put into the box, without opening any device. The selection
// stays on the same port; a selected port that has gone stays in the list,
// selected, with "已移除" in its note, until it comes back or another port is
// chosen.
#include <functional>
#include <memory>
#include <vector>

#include "serial/port_discovery.h"
#include "serial/port_watcher.h"
#include "ui/model.h"

namespace vorta::port_switch {

// One entry of the box: the port and whether it is only kept for the selection.
struct ListedPort {
    serial::PortInfo info;
    bool missing = false;
};

// The entries for the ports found `now`, keeping `selected` (the entry the box
// has selected, if any) when it is not among them. Returns the index of the
// selected port in the result, -1 with none.
int MergeSelected(const std::vector<serial::PortInfo>& now, const ListedPort* selected,
                  std::vector<ListedPort>& result);

// The note the opened list shows beside a port: its description, device and
// a hint when the user may not use it.
ui::Text NoteFor(const ListedPort& port);

class PortList {
public:
    using Roots = std::function<serial::DiscoveryRoots()>;
    // Called with the selected port's new index when a change moved it, so the
    // stored index names the same port at the next start.
    using SaveIndex = std::function<void(int index)>;

    PortList(base::EventLoop& loop, Roots roots);

    // Start-up discovery: the names for the box. False when the system's list
    // of ports could not be read.
    bool discover(std::vector<ui::Text>& names);
    // Sets the notes of the box filled by discover() and starts following changes.
    void attach(ui::Window& main, SaveIndex saveIndex);
    // Discovers again and updates the box; what the watcher runs.
    void refresh();
    // Called after every refresh the watcher runs: devices may have come or
    // gone (an open port whose device went looks for it again).
    void setOnRefresh(std::function<void()> handler) { onRefresh_ = std::move(handler); }

    // The ports as listed in the box, for resolving a port number at open.
    std::vector<serial::PortInfo> listed() const;

private:
    void update();
    void show(ui::ComboBox& box, const std::vector<ListedPort>& ports);

    base::EventLoop& loop_;
    Roots roots_;
    std::vector<ListedPort> ports_;
    ui::Window* main_ = nullptr;
    SaveIndex saveIndex_;
    std::function<void()> onRefresh_;
    std::unique_ptr<serial::PortWatcher> watcher_;
    // The window's handler may run after this list has gone (it outlives it
    // when the list goes first); it then does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vorta::port_switch
