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
    <message id="lgd_certman_cancel">
        <extracomment>Button that leaves a certificate file or password question without doing anything</extracomment>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="lgd_certman_details">
        <extracomment>Button on a certificate row that opens its details</extracomment>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message id="lgd_certman_details_issuer">
        <extracomment>Caption of the issuer in the certificate details</extracomment>
        <source>Issuer</source>
        <translation>Issuer</translation>
    </message>
    <message id="lgd_certman_details_key">
        <extracomment>Caption of the public key type and size in the certificate details</extracomment>
        <source>Public key</source>
        <translation>Public key</translation>
    </message>
    <message id="lgd_certman_details_keyusage">
        <extracomment>Caption of the key usages in the certificate details</extracomment>
        <source>Key usage</source>
        <translation>Key usage</translation>
    </message>
    <message id="lgd_certman_details_nocertificate">
        <extracomment>Certificate details shown without a certificate</extracomment>
        <source>No certificate</source>
        <translation>No certificate</translation>
    </message>
    <message id="lgd_certman_details_none">
        <extracomment>Value shown when a certificate has no purposes or key usages</extracomment>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message id="lgd_certman_details_norelated">
        <extracomment>Shown when no issuer of the certificate can be found</extracomment>
        <source>No related certificates found</source>
        <translation>No related certificates found</translation>
    </message>
    <message id="lgd_certman_details_purposes">
        <extracomment>Caption of the purposes in the certificate details</extracomment>
        <source>Purposes</source>
        <translation>Purposes</translation>
    </message>
    <message id="lgd_certman_details_related">
        <extracomment>Caption of the issuer chain in the certificate details</extracomment>
        <source>Related certificates</source>
        <translation>Related certificates</translation>
    </message>
    <message id="lgd_certman_details_serial">
        <extracomment>Caption of the serial number in the certificate details</extracomment>
        <source>Serial number</source>
        <translation>Serial number</translation>
    </message>
    <message id="lgd_certman_details_sha1">
        <extracomment>Caption of the SHA-1 fingerprint in the certificate details</extracomment>
        <source>SHA-1 fingerprint</source>
        <translation>SHA-1 fingerprint</translation>
    </message>
    <message id="lgd_certman_details_sha256">
        <extracomment>Caption of the SHA-256 fingerprint in the certificate details</extracomment>
        <source>SHA-256 fingerprint</source>
        <translation>SHA-256 fingerprint</translation>
    </message>
    <message id="lgd_certman_details_subject">
        <extracomment>Caption of the subject in the certificate details</extracomment>
        <source>Subject</source>
        <translation>Subject</translation>
    </message>
    <message id="lgd_certman_details_unknown">
        <extracomment>A date that cannot be read from the certificate</extracomment>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message id="lgd_certman_details_validfrom">
        <extracomment>Caption of the start of validity in the certificate details</extracomment>
        <source>Valid from</source>
        <translation>Valid from</translation>
    </message>
    <message id="lgd_certman_details_validto">
        <extracomment>Caption of the end of validity in the certificate details</extracomment>
        <source>Valid until</source>
        <translation>Valid until</translation>
    </message>
    <message id="lgd_certman_expired_on">
        <extracomment>Validity of an expired certificate; %1 is the date</extracomment>
        <source>Expired %1</source>
        <translation>Expired %1</translation>
    </message>
    <message id="lgd_certman_id_issuer">
        <extracomment>Identification line; %1 is the issuer name</extracomment>
        <source>Issuer: %1</source>
        <translation>Issuer: %1</translation>
    </message>
    <message id="lgd_certman_id_serial">
        <extracomment>Identification line; %1 is the serial number</extracomment>
        <source>Serial number: %1</source>
        <translation>Serial number: %1</translation>
    </message>
    <message id="lgd_certman_id_sha256">
        <extracomment>Identification line; %1 is the fingerprint</extracomment>
        <source>SHA-256 fingerprint: %1</source>
        <translation>SHA-256 fingerprint: %1</translation>
    </message>
    <message id="lgd_certman_id_subject">
        <extracomment>Identification line; %1 is the subject name</extracomment>
        <source>Subject: %1</source>
        <translation>Subject: %1</translation>
    </message>
    <message id="lgd_certman_install">
        <extracomment>Button that installs the picked certificates of a file</extracomment>
        <source>Install</source>
        <translation>Install</translation>
    </message>
    <message id="lgd_certman_issued_by">
        <extracomment>Second line of a certificate row; %1 is the issuer</extracomment>
        <source>Issued by %1</source>
        <translation>Issued by %1</translation>
    </message>
    <message id="lgd_certman_pwd_allow">
        <extracomment>Button that lets a program have the private key</extracomment>
        <source>Allow</source>
        <translation>Allow</translation>
    </message>
    <message id="lgd_certman_pwd_change_text">
        <extracomment>Text of the password change dialog; %1 is the certificate name</extracomment>
        <source>Change the password of the private key of %1.</source>
        <translation>Change the password of the private key of %1.</translation>
    </message>
    <message id="lgd_certman_pwd_confirm_prompt">
        <extracomment>Prompt in the field repeating the new password</extracomment>
        <source>New password again</source>
        <translation>New password again</translation>
    </message>
    <message id="lgd_certman_pwd_confirm_text">
        <extracomment>Text of the private key confirmation; %1 is the certificate name</extracomment>
        <source>A program asks for the private key of %1. Allow it?</source>
        <translation>A program asks for the private key of %1. Allow it?</translation>
    </message>
    <message id="lgd_certman_pwd_confirm_title">
        <extracomment>Title of the private key confirmation</extracomment>
        <source>Private key requested</source>
        <translation>Private key requested</translation>
    </message>
    <message id="lgd_certman_pwd_current_prompt">
        <extracomment>Prompt in the current password field</extracomment>
        <source>Current password</source>
        <translation>Current password</translation>
    </message>
    <message id="lgd_certman_pwd_current_text">
        <extracomment>Text of the key password question; %1 is the certificate name</extracomment>
        <source>Enter the password of the private key of %1.</source>
        <translation>Enter the password of the private key of %1.</translation>
    </message>
    <message id="lgd_certman_pwd_deny">
        <extracomment>Button that refuses a program the private key</extracomment>
        <source>Deny</source>
        <translation>Deny</translation>
    </message>
    <message id="lgd_certman_pwd_mismatch">
        <extracomment>Notice when the two new passwords differ</extracomment>
        <source>The passwords do not match</source>
        <translation>The passwords do not match</translation>
    </message>
    <message id="lgd_certman_pwd_new_prompt">
        <extracomment>Prompt in the new password field</extracomment>
        <source>New password</source>
        <translation>New password</translation>
    </message>
    <message id="lgd_certman_pwd_new_text">
        <extracomment>Text of the new password dialog; %1 is the certificate name</extracomment>
        <source>Choose a password for the private key of %1.</source>
        <translation>Choose a password for the private key of %1.</translation>
    </message>
    <message id="lgd_certman_pwd_ok">
        <extracomment>Button that accepts a password dialog</extracomment>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="lgd_certman_pwd_protected_text">
        <extracomment>Text of the password question for a protected file; %1 is the file name</extracomment>
        <source>%1 is protected by a password. Enter the password to open it.</source>
        <translation>%1 is protected by a password. Enter the password to open it.</translation>
    </message>
    <message id="lgd_certman_pwd_title">
        <extracomment>Title of the password dialogs</extracomment>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message id="lgd_certman_settings_preference">
        <extracomment>Group header of the private key preference</extracomment>
        <source>Private key use</source>
        <translation>Private key use</translation>
    </message>
    <message id="lgd_certman_settings_preference_title">
        <extracomment>Title of the private key preference chooser</extracomment>
        <source>When a program asks for the key</source>
        <translation>When a program asks for the key</translation>
    </message>
    <message id="lgd_certman_settings_purposes">
        <extracomment>Group header of the purpose toggles</extracomment>
        <source>Use this certificate for</source>
        <translation>Use this certificate for</translation>
    </message>
    <message id="lgd_certman_valid_from">
        <extracomment>Validity of a certificate not valid yet; %1 is the date</extracomment>
        <source>Valid from %1</source>
        <translation>Valid from %1</translation>
    </message>
    <message id="lgd_certman_valid_until">
        <extracomment>Validity of a valid certificate; %1 is the date</extracomment>
        <source>Valid until %1</source>
        <translation>Valid until %1</translation>
    </message>
</context>
</TS>
