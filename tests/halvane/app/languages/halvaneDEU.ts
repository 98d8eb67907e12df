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
</TS>
