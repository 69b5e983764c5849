<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>about</name>
<message id="ABOUT.title"><source>О программе</source><translation>About</translation></message>
</context>
</TS>
