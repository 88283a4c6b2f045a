<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Texts of the certificate manager, its installer and the certificate components. -->
<context>
    <name></name>
    <message id="lgd_certman_addcert_title">
        <extracomment>Header of the page listing the certificate files found</extracomment>
        <source>Add certificates</source>
        <translation>Add certificates</translation>
    </message>
    <message id="lgd_certman_cert_changed_maninmiddle">
        <extracomment>Body of the changed-certificate question</extracomment>
        <source>The certificate of this server has changed since you last trusted it. Someone may be intercepting the connection.</source>
        <translation>The certificate of this server has changed since you last trusted it. Someone may be intercepting the connection.</translation>
    </message>
    <message id="lgd_certman_cert_does_not_exist">
        <extracomment>Body of the new-certificate question</extracomment>
        <source>This server presented a certificate that you have not trusted before.</source>
        <translation>This server presented a certificate that you have not trusted before.</translation>
    </message>
    <message id="lgd_certman_cert_expired">
        <extracomment>Body of the expired-certificate question</extracomment>
        <source>Your trust in this server certificate has run out because the certificate has expired.</source>
        <translation>Your trust in this server certificate has run out because the certificate has expired.</translation>
    </message>
    <message id="lgd_certman_corruptdialog_title">
        <extracomment>Title of the message box for a corrupt certificate</extracomment>
        <source>Damaged certificate</source>
        <translation>Damaged certificate</translation>
    </message>
    <message id="lgd_certman_corruptdialog_text">
        <extracomment>%1: certificate name</extracomment>
        <source>The certificate %1 is damaged and cannot be installed.</source>
        <translation>The certificate %1 is damaged and cannot be installed.</translation>
    </message>
    <message id="lgd_certman_deletecertificate">
        <extracomment>Menu action and title of the deletion question</extracomment>
        <source>Delete certificate</source>
        <translation>Delete certificate</translation>
    </message>
    <message id="lgd_certman_expdialog_title">
        <extracomment>Title of the message box for an expired certificate</extracomment>
        <source>Expired certificate</source>
        <translation>Expired certificate</translation>
    </message>
    <message id="lgd_certman_expdialog_text">
        <extracomment>%1: certificate name</extracomment>
        <source>The certificate %1 has expired. Install it anyway?</source>
        <translation>The certificate %1 has expired. Install it anyway?</translation>
    </message>
    <message id="lgd_certman_incorrectpassword">
        <extracomment>Banner after a wrong password</extracomment>
        <source>Incorrect password</source>
        <translation>Incorrect password</translation>
    </message>
    <message id="lgd_certman_install_and_trust_cert">
        <extracomment>Question after the body of the new and changed questions</extracomment>
        <source>Do you want to trust this certificate?</source>
        <translation>Do you want to trust this certificate?</translation>
    </message>
    <message id="lgd_certman_keep_trusting_cert">
        <extracomment>Question after the body of the expired question</extracomment>
        <source>Do you want to keep trusting it?</source>
        <translation>Do you want to keep trusting it?</translation>
    </message>
    <message id="lgd_certman_mailusers">
        <extracomment>Purpose: e-mail (S/MIME)</extracomment>
        <source>E-mail users</source>
        <translation>E-mail users</translation>
    </message>
    <message id="lgd_certman_new_certificate">
        <extracomment>Group header above the received certificate</extracomment>
        <source>New certificate</source>
        <translation>New certificate</translation>
    </message>
    <message id="lgd_certman_noaction">
        <extracomment>Key preference 0</extracomment>
        <source>Use without asking</source>
        <translation>Use without asking</translation>
    </message>
    <message id="lgd_certman_noitems">
        <extracomment>Empty-state text of a certificate or file list</extracomment>
        <source>No certificates</source>
        <translation>No certificates</translation>
    </message>
    <message id="lgd_certman_notifyonly">
        <extracomment>Key preference 1</extracomment>
        <source>Ask for confirmation</source>
        <translation>Ask for confirmation</translation>
    </message>
    <message id="lgd_certman_notvaliddialog_title">
        <extracomment>Title of the message box for a certificate whose validity has not begun</extracomment>
        <source>Certificate not yet valid</source>
        <translation>Certificate not yet valid</translation>
    </message>
    <message id="lgd_certman_notvaliddialog_text">
        <extracomment>%1: certificate name, %2: start date</extracomment>
        <source>The certificate %1 is not valid before %2. Install it anyway?</source>
        <translation>The certificate %1 is not valid before %2. Install it anyway?</translation>
    </message>
    <message id="lgd_certman_old_certificate">
        <extracomment>Group header above the stored certificate</extracomment>
        <source>Previously trusted certificate</source>
        <translation>Previously trusted certificate</translation>
    </message>
    <message id="lgd_certman_passwordprompt">
        <extracomment>Key preference 2</extracomment>
        <source>Ask for password</source>
        <translation>Ask for password</translation>
    </message>
    <message id="lgd_certman_servercertificate">
        <extracomment>Header of the trust questions</extracomment>
        <source>Server certificate</source>
        <translation>Server certificate</translation>
    </message>
    <message id="lgd_certman_softwaremakers">
        <extracomment>Purpose: code signing</extracomment>
        <source>Software makers</source>
        <translation>Software makers</translation>
    </message>
    <message id="lgd_certman_trust_always">
        <extracomment>Answer button</extracomment>
        <source>Trust always</source>
        <translation>Trust always</translation>
    </message>
    <message id="lgd_certman_trust_for24">
        <extracomment>Answer button; %L1: number of hours</extracomment>
        <source>Trust for %L1 hours</source>
        <translation>Trust for %L1 hours</translation>
    </message>
    <message id="lgd_certman_websites">
        <extracomment>Purpose: TLS servers</extracomment>
        <source>Web sites</source>
        <translation>Web sites</translation>
    </message>
    <message id="lgd_certman_wifi">
        <extracomment>Purpose: wireless network authentication</extracomment>
        <source>Wireless networks</source>
        <translation>Wireless networks</translation>
    </message>
</context>
</TS>
