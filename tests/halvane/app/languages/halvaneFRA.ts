<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>StringTable</name>
    <message>
        <source>457</source>
        <translation>Halvane doit être redémarré pour que la nouvelle langue prenne effet.</translation>
    </message>
</context>
</TS>
