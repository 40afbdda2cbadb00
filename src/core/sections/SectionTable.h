#pragma once

#include <QList>
#include <QString>

namespace Sweepora::Core {

// Every section of the application, one row each. The window builds its sidebar and pages from
// these rows, the quick cleanup its cards, the command line its quick summary and the cleanup
// history its section names, so adding a section means adding a row and its page.
enum class SectionKey {
    quickCleanup,
    ruleCleanup,
    applicationCleanup,
    miscFiles,
    archives,
    installers,
    largeFiles,
    duplicateFiles,
    emptyFolders,
    applicationUninstall,
    storageAnalysis,
    cleanupHistory,
    ruleManagement,
    ruleWorkshop,
    about,
    fileSearch,
    leftovers,
};

struct Section
{
    SectionKey key;
    QString id;        // the Chinese title: the window's id of the section and its header title; settings keep it
    QString name = {}; // the name the cleanup journal and the command line use ("large"), empty where none
    QString symbol = {};
    QString subtitle = {};
    bool inSidebar = false;
    bool dividerAfter = false; // in the sidebar
    QString quickTint = {};    // a card of the quick cleanup in this tint ("blue"), empty where none
};

// All rows: the sidebar's in their order, then the others.
const QList<Section>& sections();
const Section& section(SectionKey key);
// The row's window id: section(key).id.
const QString& sectionId(SectionKey key);
// The rows shown in the sidebar, in order.
const QList<Section>& sidebarSections();
// The rows the quick cleanup scans, in the order of its cards.
const QList<Section>& quickCleanupSections();
// The row with this journal or command-line name, else null.
const Section* sectionNamed(const QString& name);
// The subtitle for a section id; ids without one get the generic line.
QString sectionSubtitle(const QString& id);

} // namespace Sweepora::Core
