#include "ui/qt/rich_text_widget.h"

#include "ui/qt/rich_text_accessible.h"
#include "ui/qt/rich_text_view.h"

namespace vorta::ui::qt {
namespace {

class RichTextAdapter : public Adapter {
public:
    RichTextAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        InstallRichTextAccessibility();
        view_ = new RichTextView(c.as<RichTextBox>(), parent);
        adopt(view_, view_->viewport());
        view_->refresh();
    }

    void sync(Prop p) override {
        if (p == Prop::RichText || p == Prop::Selection) {
            view_->refreshSoon();
            return;
        }
        Adapter::sync(p);
    }

private:
    RichTextView* view_;
};

}  // namespace

std::unique_ptr<Adapter> CreateRichTextAdapter(Model& model, Control& control, QWidget* parent) {
    return std::make_unique<RichTextAdapter>(model, control, parent);
}

}  // namespace vorta::ui::qt
