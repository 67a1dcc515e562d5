#pragma once
// Renders the windows of the control model as Qt widgets and feeds the user's
// input back into the model.
#include <QObject>
#include <QPointer>
#include <memory>
#include <unordered_map>

#include "ui/model.h"
#include "ui/qt/adapters.h"

#include <QDialog>
#include <QLabel>

namespace vorta::ui::qt {

class WindowWidget;

class QtView : public View {
public:
    explicit QtView(Model& model);
    ~QtView() override;

    void applyInterfaceStyle(int style) override;
    void windowOpened(Window& w) override;
    void windowClosed(Window& w) override;
    void windowChanged(Window& w, Prop prop) override;
    void controlChanged(Control& c, Prop prop) override;
    void showBalloon(Control& c, int x, int y, const Text& text, bool flag) override;
    void popupMenu(Control& menu, int x, int y) override;
    std::optional<Text> showSaveDialog(Control& c, const Text& filter, const Text& initialDir) override;
    std::optional<Text> showOpenDialog(Control& c, const Text& filter, const Text& initialDir) override;
    void cancelDialog() override;

    // For tests and the platform: the widget showing a window or a control.
    QWidget* widgetOf(Window& w) const;
    QWidget* widgetOf(Control& c) const;
    QLabel* balloon() const { return balloon_; }

private:
    // A save (or open) dialog, run until a file is chosen or it is cancelled.
    std::optional<Text> runFileDialog(Control& c, const Text& filter, const Text& initialDir, bool save);
    Model& model_;
    std::unordered_map<const Window*, WindowWidget*> windows_;
    std::unordered_map<const Control*, std::unique_ptr<Adapter>> adapters_;
    QPointer<QLabel> balloon_;
    QPointer<QDialog> dialog_;  // the file dialog now shown
};

}  // namespace vorta::ui::qt
