#include "ui/qt/rich_text_widget.h"

#include <QElapsedTimer>
#include <deque>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include "ui/qt/gbk_qstring.h"

namespace vorta::ui::qt {
namespace {

QTextCharFormat ToQtFormat(const CharFormat& f) {
    QTextCharFormat q;
    if (!f.face.empty()) q.setFontFamilies({FromGbk(f.face)});
    if (f.pointSize > 0) q.setFontPointSize(f.pointSize);
    q.setFontWeight(f.effects & kBold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.effects & kItalic);
    q.setFontUnderline(f.effects & kUnderline);
    q.setFontStrikeOut(f.effects & kStrikeOut);
    if (f.colour == kDefaultColour)
        q.clearForeground();
    else
        q.setForeground(ToQColor(f.colour));
    return q;
}

class RichTextEdit : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    // Pasted line ends become paragraph breaks, so each is one unit like the model's "\r\n".
    void insertFromMimeData(const QMimeData* source) override {
        if (!source->hasText()) return;
        QString text = source->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        textCursor().insertText(text);
    }
};

class RichTextAdapter : public Adapter {
public:
    RichTextAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        edit_ = new RichTextEdit(parent);
        edit_->setUndoRedoEnabled(false);  // the program's own writes are not the user's to undo
        edit_->setLineWrapMode(c.def().wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit_->setVerticalScrollBarPolicy(c.def().vScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        edit_->setContextMenuPolicy(Qt::NoContextMenu);  // the program shows its own menu
        edit_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        QFont font = ToQFont(c.def().font, edit_->font());
        edit_->document()->setDefaultFont(font);
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, edit_, [this] { flush(); });
        QObject::connect(edit_->document(), &QTextDocument::contentsChange, edit_,
                         [this](int pos, int removed, int added) { userEdited(pos, removed, added); });
        QObject::connect(edit_, &QPlainTextEdit::cursorPositionChanged, edit_, [this] { userSelected(); });
        QObject::connect(edit_, &QPlainTextEdit::selectionChanged, edit_, [this] { userSelected(); });
        adopt(edit_, edit_->viewport());
        updating_ = true;
        edit_->setPlainText(UnitsToQString(c.as<RichTextBox>().rich().text()));
        updating_ = false;
        since_.start();
        flush();
    }

    void sync(Prop p) override {
        if (p == Prop::RichText || p == Prop::Selection) {
            if (!timer_.isActive()) timer_.start(std::max<qint64>(0, kRichTextBatchMs - since_.elapsed()));
            return;
        }
        Adapter::sync(p);
    }

    // Brings the widget up to the model: the logged edits in one edit block,
    // then the model's selection and at most one scroll to the end. A flood is
    // taken in slices of kFlushBytes, each in its own turn of the event loop, so
    // the user's input never waits for a whole backlog.
    void flush() {
        RichText& rich = control_.as<RichTextBox>().rich();
        for (RichText::Edit& e : rich.takeEdits()) pending_.push_back(std::move(e));
        updating_ = true;
        if (!pending_.empty()) {
            QTextCursor cursor(edit_->document());
            cursor.beginEditBlock();
            std::size_t budget = kFlushBytes;
            while (!pending_.empty() && budget > 0) {
                RichText::Edit& e = pending_.front();
                cursor.setPosition(int(e.unitPos));
                cursor.setPosition(int(e.unitPos + e.units), QTextCursor::KeepAnchor);
                const QTextCharFormat format = ToQtFormat(rich.format(e.format));
                if (e.kind == RichText::Edit::Kind::Reformat) {
                    cursor.setCharFormat(format);
                    pending_.pop_front();
                    continue;
                }
                // A long insertion goes in slices cut between units.
                std::size_t cut = 0;
                std::int64_t units = 0;
                while (cut < e.inserted.size() && cut < budget) {
                    cut += UnitLength(e.inserted.data() + cut, e.inserted.size() - cut);
                    ++units;
                }
                cursor.insertText(UnitsToQString(e.inserted.substr(0, cut)), format);
                budget -= std::min(budget, cut);
                if (cut == e.inserted.size()) {
                    pending_.pop_front();
                } else {
                    e.inserted.erase(0, cut);
                    e.unitPos += units;
                    e.units = 0;
                }
            }
            cursor.endEditBlock();
        }
        if (!pending_.empty()) {
            updating_ = false;
            timer_.start(0);
            return;
        }
        QTextCursor current = edit_->textCursor();
        const int start = int(rich.selectionStart()), end = int(rich.selectionEnd());
        if (current.selectionStart() != start || current.selectionEnd() != end) {
            QTextCursor c(edit_->document());
            c.setPosition(start);
            c.setPosition(end, QTextCursor::KeepAnchor);
            edit_->setTextCursor(c);
        }
        if (rich.takeScrollRequest()) edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
        updating_ = false;
        since_.restart();
    }

private:
    void userEdited(int pos, int removed, int added) {
        if (updating_) return;
        // Qt may report a change that runs into the document's closing paragraph
        // mark, which the model does not have.
        const int last = edit_->document()->characterCount() - 1;
        const int end = std::min(pos + added, last);
        QTextCursor c(edit_->document());
        c.setPosition(pos);
        c.setPosition(std::max(pos, end), QTextCursor::KeepAnchor);
        control_.as<RichTextBox>().rich().userReplace(pos, removed, QStringToUnits(c.selectedText()));
        if (!timer_.isActive()) timer_.start(0);  // widened edits, if any, come back
    }
    void userSelected() {
        if (updating_) return;
        const QTextCursor c = edit_->textCursor();
        control_.as<RichTextBox>().rich().userSelect(c.selectionStart(), c.selectionEnd());
    }

    static constexpr std::size_t kFlushBytes = 48 * 1024;
    RichTextEdit* edit_;
    std::deque<RichText::Edit> pending_;  // taken from the model, not yet in the widget
    QTimer timer_;
    QElapsedTimer since_;
};

}  // namespace

std::unique_ptr<Adapter> CreateRichTextAdapter(Model& model, Control& control, QWidget* parent) {
    return std::make_unique<RichTextAdapter>(model, control, parent);
}

}  // namespace vorta::ui::qt
