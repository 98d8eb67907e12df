<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>StringTable</name>
    <message>
        <source>457</source>
        <translation>Ohne Sprache</translation>
    </message>
</context>
</TS>
