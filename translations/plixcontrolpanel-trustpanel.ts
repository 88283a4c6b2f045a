<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Texts only the control-panel applet shows. The applet catalog is compiled from this file together with certificatemanager.ts. -->
<context>
    <name></name>
    <message id="lgd_certman_allcertificates">
        <extracomment>Certificate type shown</extracomment>
        <source>All certificates</source>
        <translation>All certificates</translation>
    </message>
    <message id="lgd_certman_banner_rootdelete">
        <extracomment>Banner</extracomment>
        <source>Root certificates cannot be deleted</source>
        <translation>Root certificates cannot be deleted</translation>
    </message>
    <message id="lgd_certman_certdetails">
        <extracomment>Page title</extracomment>
        <source>Certificate details</source>
        <translation>Certificate details</translation>
    </message>
    <message id="lgd_certman_certificatemanagertitle">
        <extracomment>Page title and list header</extracomment>
        <source>Certificates</source>
        <translation>Certificates</translation>
    </message>
    <message id="lgd_certman_certificatepackagename">
        <extracomment>Page title; %1: name of the certificate file, may be empty</extracomment>
        <source>Import certificates %1</source>
        <translation>Import certificates %1</translation>
    </message>
    <message id="lgd_certman_certificatesdisplayed">
        <extracomment>Title of the certificate type selector</extracomment>
        <source>Certificates shown</source>
        <translation>Certificates shown</translation>
    </message>
    <message id="lgd_certman_certificatesettings">
        <extracomment>Page title</extracomment>
        <source>Certificate settings</source>
        <translation>Certificate settings</translation>
    </message>
    <message id="lgd_certman_certsettings">
        <extracomment>Menu action</extracomment>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message id="lgd_certman_changepassword">
        <extracomment>Menu action</extracomment>
        <source>Change password</source>
        <translation>Change password</translation>
    </message>
    <message id="lgd_certman_command_addcertificate">
        <extracomment>Menu action</extracomment>
        <source>Add certificate</source>
        <translation>Add certificate</translation>
    </message>
    <message id="lgd_certman_deletetitle">
        <extracomment>Title of the deletion question</extracomment>
        <source>Delete this certificate?</source>
        <translation>Delete this certificate?</translation>
    </message>
    <message id="lgd_certman_issuer_none">
        <extracomment>Banner</extracomment>
        <source>This certificate has no private key</source>
        <translation>This certificate has no private key</translation>
    </message>
    <message id="lgd_certman_rootcertificates">
        <extracomment>Certificate type shown</extracomment>
        <source>Root certificates</source>
        <translation>Root certificates</translation>
    </message>
    <message id="lgd_certman_servercertificates">
        <extracomment>Certificate type shown</extracomment>
        <source>Server certificates</source>
        <translation>Server certificates</translation>
    </message>
    <message id="lgd_certman_usercertificates">
        <extracomment>Certificate type shown</extracomment>
        <source>User certificates</source>
        <translation>User certificates</translation>
    </message>
</context>
</TS>
