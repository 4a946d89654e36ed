<?xml version="1.0" encoding="utf-8"?>
<!-- Writes the Markdown reference of one schema of schemas/ from its annotations: every
     element with its meaning, its child elements and a table of its attributes. Named
     types, groups and attribute groups are looked up in every schema of the folder given as
     the parameter dir, so that an element is described with everything it accepts. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
                xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xsl:output method="text" encoding="utf-8"/>
  <xsl:param name="dir"/>
  <xsl:param name="title"/>
  <xsl:variable name="all" select="document(concat($dir, 'types.xsd')) | document(concat($dir, 'contents.xsd'))
      | document(concat($dir, 'dependencies.xsd')) | document(concat($dir, 'forms.xsd'))
      | document(concat($dir, 'standard.xsd')) | document(concat($dir, 'config.xsd'))
      | document(concat($dir, 'settings.xsd'))"/>

  <xsl:template match="/">
    <xsl:text>## </xsl:text><xsl:value-of select="$title"/><xsl:text>&#10;&#10;</xsl:text>
    <xsl:value-of select="normalize-space(comment()[1])"/>
    <xsl:text>&#10;&#10;</xsl:text>
    <xsl:apply-templates select="//xs:element[@name]"/>
    <xsl:apply-templates select="xs:schema/xs:simpleType[@name]"/>
  </xsl:template>

  <!-- A text that can stand in a table cell. -->
  <xsl:template name="cell">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="contains($text, '|')">
        <xsl:value-of select="substring-before($text, '|')"/>
        <xsl:text>\|</xsl:text>
        <xsl:call-template name="cell">
          <xsl:with-param name="text" select="substring-after($text, '|')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="xs:element">
    <xsl:variable name="ct" select="xs:complexType | $all/xs:schema/xs:complexType[@name = current()/@type]"/>
    <xsl:text>### </xsl:text>
    <xsl:for-each select="ancestor::xs:element[@name]">
      <xsl:value-of select="@name"/><xsl:text>/</xsl:text>
    </xsl:for-each>
    <xsl:value-of select="@name"/>
    <xsl:text>&#10;&#10;</xsl:text>
    <xsl:value-of select="normalize-space(xs:annotation/xs:documentation)"/>
    <xsl:if test="@maxOccurs and @maxOccurs != 'unbounded' and @maxOccurs != '1'">
      <xsl:text> At most </xsl:text><xsl:value-of select="@maxOccurs"/><xsl:text>.</xsl:text>
    </xsl:if>
    <xsl:text>&#10;&#10;</xsl:text>
    <xsl:if test="not($ct) and (@type or xs:simpleType)">
      <xsl:text>Content: </xsl:text>
      <xsl:call-template name="type-of"/>
      <xsl:text>&#10;&#10;</xsl:text>
    </xsl:if>
    <xsl:variable name="depth" select="count($ct/ancestor::xs:element)"/>
    <xsl:variable name="children" select="$ct//xs:element[count(ancestor::xs:element) = $depth]
        | $all/xs:schema/xs:group[@name = $ct//xs:group[count(ancestor::xs:element) = $depth]/@ref]//xs:element[not(ancestor::xs:element)]"/>
    <xsl:if test="$children">
      <xsl:text>Child elements: </xsl:text>
      <xsl:for-each select="$children">
        <xsl:if test="position() > 1"><xsl:text>, </xsl:text></xsl:if>
        <xsl:text>`</xsl:text><xsl:value-of select="@name | @ref"/><xsl:text>`</xsl:text>
      </xsl:for-each>
      <xsl:text>.&#10;&#10;</xsl:text>
    </xsl:if>
    <xsl:variable name="attributes" select="$ct//xs:attribute[count(ancestor::xs:element) = $depth]"/>
    <xsl:variable name="groups" select="$ct//xs:attributeGroup[@ref][count(ancestor::xs:element) = $depth]"/>
    <xsl:if test="$attributes or $groups">
      <xsl:text>| Attribute | Value | Use | Meaning |&#10;|---|---|---|---|&#10;</xsl:text>
      <xsl:apply-templates select="$attributes" mode="row"/>
      <xsl:apply-templates select="$groups" mode="row"/>
      <xsl:text>&#10;</xsl:text>
    </xsl:if>
    <xsl:if test="$ct//xs:anyAttribute">
      <xsl:text>The attributes of the namespace http://www.w3.org/2001/XMLSchema-instance (such as xsi:noNamespaceSchemaLocation) are allowed; setup ignores them.&#10;&#10;</xsl:text>
    </xsl:if>
  </xsl:template>

  <xsl:template match="xs:attributeGroup" mode="row">
    <xsl:variable name="group" select="$all/xs:schema/xs:attributeGroup[@name = current()/@ref]"/>
    <xsl:apply-templates select="$group/xs:attribute" mode="row"/>
    <xsl:apply-templates select="$group/xs:attributeGroup[@ref]" mode="row"/>
  </xsl:template>

  <xsl:template match="xs:attribute" mode="row">
    <xsl:text>| `</xsl:text><xsl:value-of select="@name"/><xsl:text>` | </xsl:text>
    <xsl:call-template name="type-of"/>
    <xsl:text> | </xsl:text>
    <xsl:choose>
      <xsl:when test="@use = 'required'">required</xsl:when>
      <xsl:otherwise>optional</xsl:otherwise>
    </xsl:choose>
    <xsl:text> | </xsl:text>
    <xsl:call-template name="cell">
      <xsl:with-param name="text" select="normalize-space(xs:annotation/xs:documentation)"/>
    </xsl:call-template>
    <xsl:text> |&#10;</xsl:text>
  </xsl:template>

  <!-- The value type of an attribute or a simple element: a named type links to its entry,
       an inline list of values is listed, any other inline type is a restricted text. -->
  <xsl:template name="type-of">
    <xsl:choose>
      <xsl:when test="@type = 'xs:string'">text</xsl:when>
      <xsl:when test="@type">
        <xsl:text>[</xsl:text><xsl:value-of select="@type"/><xsl:text>](#type-</xsl:text>
        <xsl:value-of select="translate(@type, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')"/>
        <xsl:text>)</xsl:text>
      </xsl:when>
      <xsl:when test="xs:simpleType//xs:enumeration">
        <xsl:for-each select="xs:simpleType//xs:enumeration">
          <xsl:if test="position() > 1"><xsl:text>, </xsl:text></xsl:if>
          <xsl:value-of select="@value"/>
        </xsl:for-each>
      </xsl:when>
      <xsl:when test="xs:simpleType//xs:maxLength">
        <xsl:text>text of at most </xsl:text><xsl:value-of select="xs:simpleType//xs:maxLength/@value"/>
        <xsl:text> characters</xsl:text>
      </xsl:when>
      <xsl:when test="xs:simpleType">restricted text (see meaning)</xsl:when>
      <xsl:otherwise>text</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="xs:simpleType">
    <xsl:text>### Type </xsl:text><xsl:value-of select="@name"/>
    <xsl:text>&#10;&lt;a id="type-</xsl:text>
    <xsl:value-of select="translate(@name, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')"/>
    <xsl:text>"&gt;&lt;/a&gt;&#10;&#10;</xsl:text>
    <xsl:value-of select="normalize-space(xs:annotation/xs:documentation)"/>
    <xsl:if test=".//xs:enumeration">
      <xsl:text> Values: </xsl:text>
      <xsl:for-each select=".//xs:enumeration">
        <xsl:if test="position() > 1"><xsl:text>, </xsl:text></xsl:if>
        <xsl:value-of select="@value"/>
      </xsl:for-each>
      <xsl:text>.</xsl:text>
    </xsl:if>
    <xsl:text>&#10;&#10;</xsl:text>
  </xsl:template>
</xsl:stylesheet>
