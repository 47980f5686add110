#pragma once
// The page host of the main window (control 1003): owns the twelve pages, shows one at a time.
#include <QWidget>
#include <array>

class CMainTabCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 12;

    explicit CMainTabCtrl(QWidget* parent = nullptr);
    ~CMainTabCtrl() override;

    // Makes the twelve pages, hides them, sets the global page pointers and lays them out.
    void CreatePages();
    // Places every page over the whole control; shows the first page and hides the others.
    void LayoutPages();

    QWidget* Page(int index) const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    std::array<QWidget*, kPageCount> m_pages{};
};
