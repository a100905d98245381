// phone_preview_dialog.h - the pages of a built part as the phone shows them, at a sharp zoom.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "preview/book_files.h"
#include "preview/book_preview.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quorix {

// The reader's page view as an indexed image in the reader's colours.
QImage PageToImage(const preview::TPageImage& page);

class TPhonePreviewDialog : public QDialog {
    Q_OBJECT

  public:
    // `jar` is a part's JAR; a book that cannot be read shows its error instead of pages.
    explicit TPhonePreviewDialog(const QString& jar, QWidget* parent = nullptr);
    ~TPhonePreviewDialog() override;

    int PageIndex() const { return page_; }
    int PageCount() const { return pages_ ? pages_->PageCount() : 0; }
    void NextPage();
    void PreviousPage();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreateControls();
    void Reload();  // screen, document or word wrap changed: lay the pages out again
    void ShowPage();

    std::optional<preview::TBookFiles> files_;
    std::unique_ptr<preview::TBookPreview> pages_;
    int page_ = 0;

    QComboBox* screen_ = nullptr;
    QComboBox* document_ = nullptr;
    QCheckBox* wordWrap_ = nullptr;
    QSpinBox* zoom_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QLabel* counter_ = nullptr;
    QLabel* picture_ = nullptr;
};

}  // namespace quorix
