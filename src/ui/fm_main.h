// fm_main.h - the program's main window: the inputs of a build, the preview, the
// log pane, the About message and the two hidden developer commands.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <optional>

#include "book/build_settings.h"
#include "ui/window_services.h"

class QCheckBox;
class QComboBox;
class QMenu;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quorix {

class TBuildRunner;
class TPhonePreviewHook;

class TfmMain : public QWidget {
    Q_OBJECT

  public:
    explicit TfmMain(TWindowServices services, QWidget* parent = nullptr);
    ~TfmMain() override;

    // The build's inputs as the controls show them now.
    TBuildSettings GatherSettings() const;
    bool IsBuilding() const;

    // Event handlers, named as the layout binds them.
    void FormActivate();
    void Button4Click();  // source file choice and preview
    void Button5Click();  // font choice
    void Edit1Change();   // preview width
    void Button1Click();  // Start
    void Button3Click();  // About
    void Button2Click();  // Hex
    void Button6Click();  // Text
    void ShowOptions();   // Options dialog (Ctrl+Comma, context menu)
    // Serves the midlets directory in use to phones while its dialog is open; modal over
    // `over` when given.
    void SendToPhone(QWidget* over = nullptr);
    // The midlets directory the next Start writes into.
    QString MidletsDirectory() const;

    // The source choice after its dialog: path into Edit3, size and preview.
    void ChooseSource(const QString& path);
    const TWindowOptions& Options() const { return options_; }

  signals:
    // A Start build has ended and the window takes input again.
    void BuildFinished();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateControls();
    void ConnectHandlers();
    // Runs a command; an error it raises goes to the standard error display.
    template <class F>
    void RunCommand(F&& command);
    void ShowError(const QString& message);
    void AppendLogLine(const QString& line);
    void SetInputsEnabled(bool enabled);
    void RunDeveloperCommand(void (*command)(const std::filesystem::path&));
    void ApplyBuildFont(const TFontDesc& font, const QFont& shown, const QString& file);
    std::optional<QString> AskForFile(const QString& title);
    void OnBuildFinished();
    void KeepOnScreen();
    void PlaceOnItsFrame();
    QRect FrameNow() const;

    TWindowServices services_;
    bool activated_ = false;
    TFontDesc buildFont_;   // the preview pane's font: the last confirmed choice
    QFont fontDialogFont_;  // where the font dialog opens next
    TBuildRunner* runner_ = nullptr;
    TPhonePreviewHook* previewHook_ = nullptr;  // owned by the window, as a child object
    TWindowOptions options_;                    // for this session only
    QString lastFolder_;                        // where the open dialogs start
    bool closeAfterBuild_ = false;
    bool placed_ = false;  // moved onto its screen once shown
    QSize placedFrame_;    // and again for each frame the window manager gave it

    QLineEdit* Edit2 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* Button4 = nullptr;
    QLabel* Label7 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button5 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button3 = nullptr;
};

}  // namespace quorix
