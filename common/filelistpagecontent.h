#ifndef TRUSTKEEP_FILELISTPAGECONTENT_H
#define TRUSTKEEP_FILELISTPAGECONTENT_H

class QGraphicsItem;
class QGraphicsLayoutItem;
class ZelvoLabel;
class ZelvoLayout;
class ZelvoLinearLayoutPolicy;
class ZelvoProgressIndicator;
class ZelvoSeparator;

// The pieces of the page that lists certificate files, shared by the
// installer's own page and the applet's: a header, a divider under it, and
// below them either the busy spinner (while the scan runs), the file list,
// or the empty-state text. Each page keeps the pieces it wants to reuse; the
// three arrangements are vertical policies of the page's ZelvoLayout.
class FileListPageContent
{
public:
    // Header: style "CommonHeaderInverted", text "lgd_certman_addcert_title".
    static ZelvoLabel *createTitleLabel();
    // Divider under the header: style "CommonHeaderDividerInverted".
    static ZelvoSeparator *createSeparator(QGraphicsItem *parent = nullptr);
    // The text shown when no file was found ("EmptyLabel").
    static ZelvoLabel *createEmptyLabel();
    // The busy spinner of the scan ("fileListSpinner"), spinning until it is
    // taken out of view.
    static ZelvoProgressIndicator *createSpinner(QGraphicsItem *parent);

    // While scanning: header, divider, the spinner centred between two
    // equal stretches.
    static ZelvoLinearLayoutPolicy *createSpinnerPolicy(ZelvoLayout *layout, QGraphicsLayoutItem *title,
                                                        QGraphicsLayoutItem *separator, QGraphicsLayoutItem *spinner);
    // Files found: header, divider, the list, a stretch below it.
    static ZelvoLinearLayoutPolicy *createListPolicy(ZelvoLayout *layout, QGraphicsLayoutItem *title,
                                                     QGraphicsLayoutItem *separator, QGraphicsLayoutItem *list);
    // Nothing found: header, divider, the empty-state text (which expands).
    static ZelvoLinearLayoutPolicy *createEmptyPolicy(ZelvoLayout *layout, QGraphicsLayoutItem *title,
                                                      QGraphicsLayoutItem *separator, QGraphicsLayoutItem *emptyLabel);
};

#endif
