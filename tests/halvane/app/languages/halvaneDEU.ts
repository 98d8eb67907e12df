<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>StringTable</name>
    <message>
        <source>457</source>
        <extracomment>Halvane must be restarted for changes to the language to take effect.</extracomment>
        <translation>Halvane muss neu gestartet werden, damit die neue Sprache wirksam wird.</translation>
    </message>
    <message>
        <source>204</source>
        <extracomment>Movie</extracomment>
        <translation>Film</translation>
    </message>
</context>
<context>
    <name>halvane::CSpeakerMeasurementSelectionDialog</name>
    <message>
        <source>Select speakers to measure.</source>
        <translation>Zu messende Lautsprecher wählen.</translation>
    </message>
</context>
<context>
    <name>halvane::CMainFrame</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Measure</source>
        <translation>Messen</translation>
    </message>
    <message>
        <source>Save changes to %1?</source>
        <translation>Änderungen an %1 speichern?</translation>
    </message>
</context>
<context>
    <name>halvane::CWelcomeDlg</name>
    <message>
        <source>Welcome!</source>
        <translation>Willkommen!</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>halvane::CAboutDlg</name>
    <message>
        <source>About Halvane</source>
        <translation>Über Halvane</translation>
    </message>
</context>
<context>
    <name>Halvane</name>
    <message>
        <source>Need to measure first. Pleast click on &apos;Measure</source>
        <translation>Zuerst messen. Bitte auf „Messen“ klicken</translation>
    </message>
</context>
</TS>
