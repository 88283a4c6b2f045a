#ifndef ZELVOMESSAGEBOX_H
#define ZELVOMESSAGEBOX_H

#include "zelvoglobal.h"

#include "zelvodialog.h"

// A message with standard buttons (Qt's values: Ok 0x400, Yes 0x4000,
// No 0x10000, ...). exec() returns the button pressed, or 0 (NoButton) when
// the box was left without one (back button, reject()). The text is plain
// text: line breaks are "\n", and markup in it is shown as written.
class ZELVO_EXPORT ZelvoMessageBox : public ZelvoDialog
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    static constexpr QMessageBox::StandardButton NoButton = QMessageBox::NoButton;
    static constexpr QMessageBox::StandardButton Ok = QMessageBox::Ok;
    static constexpr QMessageBox::StandardButton Yes = QMessageBox::Yes;
    static constexpr QMessageBox::StandardButton No = QMessageBox::No;
    static constexpr QMessageBox::StandardButton Cancel = QMessageBox::Cancel;

    explicit ZelvoMessageBox(const QString &text = QString(), QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    ZelvoMessageBox(const QString &title, const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    ~ZelvoMessageBox() override;

    void setText(const QString &text); // a logical id is shown translated
    QString text() const;

public slots:
    void done(int result) override;

protected:
    void answer(ZelvoButton *button) override;

private:
    ZelvoLabel *m_textLabel;
};

#endif
