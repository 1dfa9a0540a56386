<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The host application's own translator, which the component's must leave in place. -->
<TS version="2.1" language="ta">
<context>
    <name>Shop</name>
    <message>
        <source>Cart</source>
        <translation>கூடை</translation>
    </message>
</context>
</TS>
