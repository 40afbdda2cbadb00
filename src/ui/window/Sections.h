#pragma once

#include <QList>
#include <QString>

namespace Sweepora::Ui {

// One sidebar section: its id is its Chinese title, which is also the header title.
struct Section
{
    QString id;
    QString symbol;
    QString subtitle;
    bool dividerAfter = false;
};

// The sidebar sections in their order.
const QList<Section>& sidebarSections();
// The section reached through the title-bar search field (not in the sidebar).
const Section& fileSearchSection();
// The subtitle for a section id; ids outside the table get the generic one.
QString sectionSubtitle(const QString& id);

} // namespace Sweepora::Ui
