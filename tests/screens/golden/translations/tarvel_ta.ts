<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- A host's own translation of the component (Tamil), as addTranslationDirectory takes it. -->
<TS version="2.1" language="ta">
<context>
    <name>tarvel::Message</name>
    <message>
        <source>No Network</source>
        <translation>நெட்வொர்க் இல்லை</translation>
    </message>
</context>
</TS>
