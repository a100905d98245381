// ClassNotFoundException.java - CLDC 1.0, signatures only.
package java.lang;

public class ClassNotFoundException extends Exception {
    public ClassNotFoundException() {}
    public ClassNotFoundException(String s) {}
}
