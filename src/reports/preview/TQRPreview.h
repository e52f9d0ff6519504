#pragma once

#include <QImage>
#include <QScrollArea>

namespace kasplan {

class TKPrepForm;

// The preview control: shows one page of the attached report at a zoom in
// percent (100 is the paper's own size on the screen), or fitted to the
// width or the whole of the window, which it keeps while the window is
// resized. Only the page in view is painted, when it comes into view or the
// zoom changes.
class TQRPreview : public QScrollArea
{
    Q_OBJECT

public:
    static constexpr int MinZoom = 5;
    static constexpr int MaxZoom = 400;

    explicit TQRPreview(QWidget* parent = nullptr);

    // Attaches a report, showing none of its pages yet; nullptr detaches.
    void setReport(TKPrepForm* report);
    TKPrepForm* report() const { return m_report; }

    int PageNumber() const { return m_page; }
    // Shows that page (from 1) of the pages generated so far.
    void setPageNumber(int page);
    int Zoom() const { return m_zoom; }
    void setZoom(int percent);
    void ZoomToFit();
    void ZoomToWidth();

    // The page as it is shown.
    const QImage& pageImage() const { return m_image; }
    // Paints the page in view again (the report was generated anew).
    void refreshPage();

Q_SIGNALS:
    void pageShown(int page);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Fit { None, Width, WholePage };
    class PageView;

    double screenDotsPerMm() const;
    int fittedZoom(Fit fit) const;
    void applyZoom(int percent, Fit fit);
    void render();

    PageView* m_view;
    TKPrepForm* m_report = nullptr;
    int m_page = 0;
    int m_zoom = 100;
    Fit m_fit = Fit::None;
    QImage m_image;
};

} // namespace kasplan
