#pragma once

namespace kasplan {

namespace db {
class EngineSession;
}
class TZHRegistry;

// At start-up, before the standard database is made: when its folder holds
// the old cultivar tables ("Cdata.DB", a grower pointed 'BROEI' at their old
// folder) and no database yet, asks whether to take them over and, on "Ja",
// makes the database with them, the progress box showing. "Nee" leaves the
// folder to the standard database as on any first start; the question comes
// back only when the setting OfferOldTables asks for it, and then it imports
// into the existing database. The old files are only read.
class OldTablesOffer
{
public:
    static constexpr const char* Caption = "Oude cultivartabellen overnemen....";

    OldTablesOffer(db::EngineSession& session, TZHRegistry& registry);

    void Run();

private:
    db::EngineSession& m_session;
    TZHRegistry& m_registry;
};

} // namespace kasplan
