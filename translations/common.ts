<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Texts of the touch UI toolkit itself (standard buttons, navigation). -->
<context>
    <name></name>
    <message id="lgd_common_ok">
        <extracomment>Standard button</extracomment>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="lgd_common_yes">
        <extracomment>Standard button</extracomment>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message id="lgd_common_no">
        <extracomment>Standard button</extracomment>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message id="lgd_common_cancel">
        <extracomment>Standard button</extracomment>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="lgd_common_close">
        <extracomment>Standard button</extracomment>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message id="lgd_common_save">
        <extracomment>Standard button</extracomment>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message id="lgd_common_saveall">
        <extracomment>Standard button</extracomment>
        <source>Save all</source>
        <translation>Save all</translation>
    </message>
    <message id="lgd_common_open">
        <extracomment>Standard button</extracomment>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message id="lgd_common_yestoall">
        <extracomment>Standard button</extracomment>
        <source>Yes to all</source>
        <translation>Yes to all</translation>
    </message>
    <message id="lgd_common_notoall">
        <extracomment>Standard button</extracomment>
        <source>No to all</source>
        <translation>No to all</translation>
    </message>
    <message id="lgd_common_abort">
        <extracomment>Standard button</extracomment>
        <source>Abort</source>
        <translation>Abort</translation>
    </message>
    <message id="lgd_common_retry">
        <extracomment>Standard button</extracomment>
        <source>Retry</source>
        <translation>Retry</translation>
    </message>
    <message id="lgd_common_ignore">
        <extracomment>Standard button</extracomment>
        <source>Ignore</source>
        <translation>Ignore</translation>
    </message>
    <message id="lgd_common_discard">
        <extracomment>Standard button</extracomment>
        <source>Discard</source>
        <translation>Discard</translation>
    </message>
    <message id="lgd_common_help">
        <extracomment>Standard button</extracomment>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message id="lgd_common_apply">
        <extracomment>Standard button</extracomment>
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
    <message id="lgd_common_reset">
        <extracomment>Standard button</extracomment>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message id="lgd_common_restoredefaults">
        <extracomment>Standard button</extracomment>
        <source>Restore defaults</source>
        <translation>Restore defaults</translation>
    </message>
    <message id="lgd_common_done">
        <extracomment>Button that accepts a dialog</extracomment>
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message id="lgd_common_back">
        <extracomment>Navigation</extracomment>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message id="lgd_common_menu">
        <extracomment>Navigation</extracomment>
        <source>Menu</source>
        <translation>Menu</translation>
    </message>
</context>
</TS>
