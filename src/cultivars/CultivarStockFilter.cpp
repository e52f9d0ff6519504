#include "CultivarStockFilter.h"

#include "db/CultivarFilter.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"

namespace kasplan {

namespace {

// Suspends the view's display updates and returns to the user's record
// afterwards when the filter still shows it, also when the work fails.
class KeepPlace
{
public:
    explicit KeepPlace(db::TableView& view) : m_view(view), m_place(view.bookmark())
    {
        m_view.disableControls();
    }
    ~KeepPlace()
    {
        try {
            if (m_view.bookmarkValid(m_place))
                m_view.gotoBookmark(m_place);
        } catch (const std::exception&) {
        }
        m_view.enableControls();
    }
    KeepPlace(const KeepPlace&) = delete;
    KeepPlace& operator=(const KeepPlace&) = delete;

private:
    db::TableView& m_view;
    db::Bookmark m_place;
};

} // namespace

CultivarStockFilter::CultivarStockFilter(TDMod& dmod) : m_dmod(dmod)
{
    m_dmod.tbCdata()->events().onFilterRecord = [this](db::DataSet& view) {
        return CultivarFilter::Accepts(
            m_dmod.VoorraadOnly(), m_dmod.PGVoorraadOnly(),
            view.fieldByName(QStringLiteral("PGvoorraad"))->asBoolean(),
            view.fieldByName(QStringLiteral("Broeivoorraad"))->asBoolean());
    };
}

void CultivarStockFilter::ApplyCultivarFilter()
{
    db::TableView& view = *m_dmod.tbCdata();
    const KeepPlace place(view);
    const bool on =
        CultivarFilter::FilterOn(view.filter(), m_dmod.VoorraadOnly(), m_dmod.PGVoorraadOnly());
    if (on == view.filtered()) {
        // The switches may have changed under a filter already in force.
        if (on && view.isActive())
            view.refresh();
    } else {
        view.setFiltered(on);
    }
}

void CultivarStockFilter::ResetStockFilters()
{
    m_dmod.setVoorraadOnly(false);
    m_dmod.setPGVoorraadOnly(false);
    db::TableView& view = *m_dmod.tbCdata();
    const KeepPlace place(view);
    view.setFilter(QString());
    ApplyCultivarFilter();
}

CultivarStockFilterOps CultivarStockFilter::ops()
{
    return {[this](bool on) { m_dmod.setVoorraadOnly(on); }, [this] { ApplyCultivarFilter(); },
            [this] { ResetStockFilters(); }};
}

} // namespace kasplan
