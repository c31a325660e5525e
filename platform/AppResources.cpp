#include "AppResources.h"

#include <map>

namespace {
struct Tables {
    std::map<UINT, QString> strings;
    std::map<UINT, AfxMenuTemplate> menus;
    std::map<UINT, std::vector<ACCEL>> accelerators;
    std::map<UINT, AfxToolBarTemplate> toolbars;
    std::map<UINT, DLGTEMPLATE> dialogs;
};
Tables &tables()
{
    static Tables t;
    return t;
}
template <class Map> auto findIn(const Map &m, UINT nID) -> const typename Map::mapped_type *
{
    const auto it = m.find(nID);
    return it == m.end() ? nullptr : &it->second;
}
} // namespace

void AfxRegisterStrings(const std::vector<std::pair<UINT, QString>> &strings)
{
    for (const auto &s : strings)
        tables().strings[s.first] = s.second;
}
void AfxRegisterMenu(UINT nID, const AfxMenuTemplate &menu)
{
    tables().menus[nID] = menu;
}
void AfxRegisterAccelerators(UINT nID, const std::vector<ACCEL> &table)
{
    tables().accelerators[nID] = table;
}
void AfxRegisterToolBar(UINT nID, const AfxToolBarTemplate &toolbar)
{
    tables().toolbars[nID] = toolbar;
}
void AfxRegisterDialog(UINT nID, const DLGTEMPLATE &dialog)
{
    tables().dialogs[nID] = dialog;
}

CString AfxLoadString(UINT nID)
{
    const QString *s = findIn(tables().strings, nID);
    return s ? CString(*s) : CString();
}
const AfxMenuTemplate *AfxFindMenu(UINT nID)
{
    return findIn(tables().menus, nID);
}
const std::vector<ACCEL> *AfxFindAccelerators(UINT nID)
{
    return findIn(tables().accelerators, nID);
}
const AfxToolBarTemplate *AfxFindToolBar(UINT nID)
{
    return findIn(tables().toolbars, nID);
}
const DLGTEMPLATE *AfxFindDialog(UINT nID)
{
    return findIn(tables().dialogs, nID);
}
