#pragma once

#include <QMainWindow>

#include <memory>

namespace quenbo {

class TZipFile;

// The main window. Owns the application's single objects and releases them in order.
class Tfrm_main : public QMainWindow {
    Q_OBJECT

public:
    // appDir is the folder that holds the program, ending in "/"; the resource archive is
    // read from appDir + "data/skin.isn". Raises when the archive cannot be opened.
    explicit Tfrm_main(const QString &appDir, QWidget *parent = nullptr);
    ~Tfrm_main() override;

    const TZipFile &ZipFile() const { return *m_zipFile; }

private:
    std::unique_ptr<TZipFile> m_zipFile;
};

}  // namespace quenbo
