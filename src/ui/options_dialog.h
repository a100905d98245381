// options_dialog.h - the window's Options: what the command line offers beyond the
// fixed layout. Each choice is one row of the form; add a row per new setting.
#pragma once

#include <QDialog>
#include <functional>

#include "ui/window_services.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quorix {

class TOptionsDialog : public QDialog {
    Q_OBJECT

  public:
    // With `openPreview`, a "Phone preview..." button opens the preview over the dialog;
    // with `sendToPhone`, a "Send to phone..." button serves the books.
    explicit TOptionsDialog(const TWindowOptions& current, QWidget* parent = nullptr,
                            std::function<void(QWidget* over)> openPreview = {},
                            std::function<void(QWidget* over)> sendToPhone = {});

    // The choices as the form shows them now.
    TWindowOptions Options() const;

  private:
    void ChooseOutputFolder();

    QLineEdit* outputFolder_ = nullptr;
    QComboBox* sourceEncoding_ = nullptr;
    QCheckBox* joinLines_ = nullptr;
    QLineEdit* maxJarSize_ = nullptr;
    QCheckBox* strongestCompression_ = nullptr;
};

}  // namespace quorix
